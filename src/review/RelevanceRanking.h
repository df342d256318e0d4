#pragma once

#include "review/ReviewRecord.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <vector>

// "Most likely relevant first": each record's title, abstract and keywords
// (MeSH terms among them) as a TF-IDF vector, and a logistic regression over
// the screener's decisions so far, refitted as they come. All local: nothing
// leaves the machine.
class RelevanceRanking
{
public:
    // Builds the vectors once; the words are the records' own.
    explicit RelevanceRanking(const ReviewRecords &records);

    // Fits the model to the decided records (record id → included); a fit
    // needs at least one of each, else every score is 0. Until something is
    // excluded, records not decided yet (neither in `decisions` nor in
    // `undecidable`, the ones the screener left open) stand in for the
    // excluded ones, as most of a search ends excluded: a few hundred spread
    // over the records, so the fit stays quick and the first includes
    // already bring their look-alikes forward.
    void refit(const QHash<qint64, bool> &decisions, const QSet<qint64> &undecidable = {});
    // Between 0 and 1: how likely the record is to be included.
    double score(qint64 record) const;
    // `records` best first (stable for equal scores).
    QList<qint64> ranked(const QList<qint64> &records) const;
    bool isFitted() const { return m_fitted; }

private:
    struct Term
    {
        int index;
        float weight;
    };
    using Vector = std::vector<Term>;
    double margin(const Vector &vector) const;

    QHash<qint64, qsizetype> m_row;
    QList<qint64> m_ids; // by row
    std::vector<Vector> m_vectors;
    std::vector<double> m_weights;
    double m_bias = 0;
    bool m_fitted = false;
};
