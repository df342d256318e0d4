#pragma once

#include "entrez/SortOrder.h"
#include "search/SearchFilters.h"

#include <QString>

// Where the articles of a result set come from. Today a PubMed query; other
// kinds of source (the articles linked to others, a saved collection) join
// as further kinds, so a session never has to guess from a string.
struct SearchSource
{
    enum class Kind { None, Query };

    Kind kind = Kind::None;
    QString query;
    // Asked for with every batch, so that the windows of one search follow one order.
    SortOrder sort = SortOrder::Recent;
    SearchFilters filters;

    static SearchSource pubmedQuery(const QString &query, SortOrder sort = SortOrder::Recent, const SearchFilters &filters = {})
    {
        return {Kind::Query, query, sort, filters};
    }
    // What is sent: the query with the filters' syntax.
    QString effectiveQuery() const { return filters.effectiveQuery(query); }

    bool isNone() const { return kind == Kind::None; }
    // What a tab is called for this source; the whole of it, for the caller to elide.
    QString title() const { return query; }

    friend bool operator==(const SearchSource &, const SearchSource &) = default;
};
