#pragma once

#include "entrez/SearchResult.h"

#include <QString>

// What PubMed did with a query, in words, from the ESearch answer of its
// first batch. Every text of the answer is taken as plain text.
namespace QueryDetails {
// One line naming what PubMed left out or could not use ("PubMed found
// nothing for: abcXYZ; ignored: the"); empty when it used the whole query.
// Remarks that only restate the count ("No items found.") are left out.
QString summary(const SearchResult &answer);
// Every part, one "Name: value" line each: the query as typed, the query
// sent with the filters when it differs, PubMed's
// translation, each term's expansion and count, every error and warning,
// and the number of matches.
QString explanation(const QString &query, const SearchResult &answer, const QString &effectiveQuery = {});
} // namespace QueryDetails
