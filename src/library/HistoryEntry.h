#pragma once

#include "search/SearchSource.h"

#include <QDateTime>
#include <QString>

#include <optional>

// One result set of the search history, numbered as PubMed numbers its own
// (#1, #2, ...). A number is never reused, even after its row is deleted.
struct HistoryEntry
{
    qint64 number = 0;
    QDateTime started; // the local time it started, with that time's offset from UTC
    // What was searched: a PubMed query with its sort and filters, or a link set.
    SearchSource source;
    // The query sent, with the filters' syntax; for a link set, its log text.
    QString effectiveQuery;
    // Filled once ESearch (or ELink) answered; no count while none did.
    std::optional<qint64> resultCount;
    QString translation;
    // What PubMed left out of the query, in words (QueryDetails::summary).
    QString warnings;

    bool isLinkSet() const { return source.kind == SearchSource::Kind::Links; }
    // What the history shows as the query: as typed, or the link set's name
    // with every PMID it was asked for, so that the search can be repeated.
    QString query() const { return source.logText(); }
};
