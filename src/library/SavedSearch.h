#pragma once

#include "search/SearchSource.h"

#include <QDateTime>
#include <QString>

// A query kept under a name, to be checked again for articles PubMed added
// since. The PMIDs a check found are kept with it: those not yet marked
// seen are its new ones.
struct SavedSearch
{
    qint64 id = 0;
    QString name; // unique in the library
    QString query;
    SortOrder sort = SortOrder::Recent;
    SearchFilters filters;
    QDateTime created;
    QDateTime lastChecked; // UTC; invalid before the first check
    int newCount = 0;      // PMIDs found by checks and not yet marked seen

    SearchSource source() const { return SearchSource::pubmedQuery(query, sort, filters); }
    bool wasChecked() const { return lastChecked.isValid(); }
};
