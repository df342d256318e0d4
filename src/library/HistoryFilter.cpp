#include "library/HistoryFilter.h"

#include <numeric>

namespace {

// Case-folded as QString::toCaseFolded() does it, a good deal faster for the
// ASCII that queries and translations are mostly made of.
QString folded(const QString &text)
{
    QString out(text.size(), Qt::Uninitialized);
    QChar *to = out.data();
    for (const QChar c : text) {
        if (c.unicode() >= 128)
            return text.toCaseFolded();
        *to++ = c.unicode() >= 'A' && c.unicode() <= 'Z' ? QChar(c.unicode() + ('a' - 'A')) : c;
    }
    return out;
}

} // namespace

HistoryFilter::HistoryFilter(const QList<HistoryEntry> &entries)
{
    m_folded.reserve(entries.size());
    for (const HistoryEntry &entry : entries) {
        // A line break between the parts: no typed text runs from one into the next.
        m_folded.append(folded(entry.query() + QLatin1Char('\n') + entry.effectiveQuery + QLatin1Char('\n') + entry.translation));
    }
}

QList<qsizetype> HistoryFilter::matching(const QString &text)
{
    QList<qsizetype> rows;
    const QString needle = folded(text.trimmed());
    if (needle.isEmpty()) {
        rows.resize(m_folded.size());
        std::iota(rows.begin(), rows.end(), 0);
    } else if (!m_lastNeedle.isEmpty() && needle.contains(m_lastNeedle)) {
        // What holds the longer text holds the shorter one.
        for (const qsizetype i : std::as_const(m_lastRows)) {
            if (m_folded.at(i).contains(needle))
                rows.append(i);
        }
    } else {
        for (qsizetype i = 0; i < m_folded.size(); ++i) {
            if (m_folded.at(i).contains(needle))
                rows.append(i);
        }
    }
    m_lastNeedle = needle;
    m_lastRows = rows;
    return rows;
}
