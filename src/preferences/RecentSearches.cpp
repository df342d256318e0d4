#include "RecentSearches.h"

void RecentSearches::add(const QString &query)
{
    const QString trimmed = query.trimmed();
    if (trimmed.isEmpty())
        return;
    m_queries.removeAll(trimmed);
    m_queries.prepend(trimmed);
    if (m_queries.size() > kCapacity)
        m_queries.resize(kCapacity);
}

RecentSearches RecentSearches::load(const QSettings &settings)
{
    RecentSearches recent;
    // Text formats give a one-query list back as a plain string, which reads
    // as that one query; a value of no text reads as none.
    const QStringList queries = settings.value(kSettingsKey).toStringList();
    // Added oldest first, so the stored order survives and the rules hold
    // whatever was written by hand.
    for (auto it = queries.crbegin(); it != queries.crend(); ++it)
        recent.add(*it);
    return recent;
}

void RecentSearches::save(QSettings &settings) const
{
    settings.setValue(kSettingsKey, m_queries);
}
