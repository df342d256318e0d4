#pragma once

#include <QList>
#include <QSet>

// The PMIDs the library holds, kept in order: made at once from the index,
// which hands them over in order, and asked about for every row painted.
class PmidSet
{
public:
    PmidSet() = default;
    // `ascending`: in ascending order, each once.
    explicit PmidSet(QList<qint64> ascending) : m_pmids(std::move(ascending)) {}

    bool contains(qint64 pmid) const;
    qsizetype size() const { return m_pmids.size(); }
    // In ascending order.
    const QList<qint64> &values() const { return m_pmids; }
    // Each of `touched` is held from now on when `held` has it, else not.
    void update(const QList<qint64> &touched, const QSet<qint64> &held);

private:
    QList<qint64> m_pmids;
};
