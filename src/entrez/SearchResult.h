#pragma once

#include <QString>
#include <QStringList>

// The answer of one ESearch call: the PMIDs of the requested window in answer
// order (duplicates kept), the total number of matches as the service wrote
// it, and the number of PMIDs.
struct SearchResult
{
    QStringList PMIDs;
    QString totalCount;
    int retrievedCount = 0;
};
