#include "library/HistoryFilter.h"

#include <numeric>

HistoryFilter::HistoryFilter(const QList<HistoryEntry> &entries)
{
    m_folded.reserve(entries.size());
    for (const HistoryEntry &entry : entries) {
        // A line break between the parts: no typed text runs from one into the next.
        m_folded.append(
            (entry.query() + QLatin1Char('\n') + entry.effectiveQuery + QLatin1Char('\n') + entry.translation).toCaseFolded());
    }
}

QList<qsizetype> HistoryFilter::matching(const QString &text) const
{
    QList<qsizetype> rows;
    const QString needle = text.trimmed().toCaseFolded();
    if (needle.isEmpty()) {
        rows.resize(m_folded.size());
        std::iota(rows.begin(), rows.end(), 0);
        return rows;
    }
    for (qsizetype i = 0; i < m_folded.size(); ++i) {
        if (m_folded.at(i).contains(needle))
            rows.append(i);
    }
    return rows;
}
