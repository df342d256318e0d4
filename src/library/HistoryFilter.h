#pragma once

#include "library/HistoryEntry.h"

#include <QList>
#include <QString>
#include <QStringList>

// Narrows the history to the entries whose query, effective query or
// translation holds a typed text, ignoring case. Made once for a list of
// entries so that each keystroke only compares; while the typed text grows,
// only the entries that matched it before are compared again.
class HistoryFilter
{
public:
    HistoryFilter() = default;
    explicit HistoryFilter(const QList<HistoryEntry> &entries);

    // The positions in the entries given of those that match, in order;
    // all of them for blank text.
    QList<qsizetype> matching(const QString &text);

private:
    // Each entry's searchable text, case-folded, its parts apart.
    QStringList m_folded;
    // The last text asked for, folded, and the positions that matched it.
    QString m_lastNeedle;
    QList<qsizetype> m_lastRows;
};
