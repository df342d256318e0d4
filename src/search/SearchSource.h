#pragma once

#include "entrez/SortOrder.h"

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

    static SearchSource pubmedQuery(const QString &query, SortOrder sort = SortOrder::Recent)
    {
        return {Kind::Query, query, sort};
    }

    bool isNone() const { return kind == Kind::None; }
    // What a tab is called for this source; the whole of it, for the caller to elide.
    QString title() const { return query; }

    friend bool operator==(const SearchSource &, const SearchSource &) = default;
};
