#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>

// The queries the user searched for last, most recent first: each at most
// once, never blank, and no more than kCapacity of them.
class RecentSearches
{
public:
    static constexpr int kCapacity = 20;
    // Where the list is kept, beside the preferences.
    static inline const QString kSettingsKey = QStringLiteral("recentSearches");

    // A query searched for again moves to the front; a blank one is ignored.
    void add(const QString &query);
    void clear() { m_queries.clear(); }
    const QStringList &queries() const { return m_queries; }

    // What the settings hold, read as add() would have built it: anything
    // that is not a list of queries reads as an empty list.
    static RecentSearches load(const QSettings &settings);
    void save(QSettings &settings) const;

private:
    QStringList m_queries;
};
