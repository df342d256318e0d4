#pragma once

#include "library/HistoryEntry.h"

#include <QList>
#include <QString>
#include <QStringList>

// Narrows the history to the entries whose query, effective query or
// translation holds a typed text, ignoring case. Made once for a list of
// entries so that each keystroke only compares.
class HistoryFilter
{
public:
    HistoryFilter() = default;
    explicit HistoryFilter(const QList<HistoryEntry> &entries);

    // The positions in the entries given of those that match, in order;
    // all of them for blank text.
    QList<qsizetype> matching(const QString &text) const;

private:
    // Each entry's searchable text, case-folded, its parts apart.
    QStringList m_folded;
};
