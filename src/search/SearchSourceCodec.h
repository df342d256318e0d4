#pragma once

#include "search/SearchSource.h"

#include <QString>

#include <optional>

// How a result set's source is kept as text in the library: the sort order
// by its command-line name, the filters as "name=value" items joined by ";"
// ("years=2015:2020;types=Review|Meta-Analysis;free;abstract;english;humans"),
// a link set as its kind and PMIDs ("similar 31746150,31746151"). Items this
// build does not know are skipped on reading, so that a file a later build
// wrote still reads here.
namespace SearchSourceCodec {
QString sortText(SortOrder sort);
// Recent for empty or unknown text: the order ESearch uses when asked for none.
SortOrder sortFrom(const QString &text);

QString filtersText(const SearchFilters &filters);
SearchFilters filtersFrom(const QString &text);
// The article types by the names the text uses ("review", "meta-analysis"),
// which the command line takes too.
QStringList articleTypeNames();
std::optional<SearchFilters::ArticleType> articleTypeNamed(const QString &name);

// "query" for a PubMed query, else the link kind and the PMIDs asked about.
QString originText(const SearchSource &source);
// The source `origin` names, with the query, sort and filters given for a
// PubMed query; None when the origin cannot be read.
SearchSource sourceFrom(const QString &origin, const QString &query, const QString &sort, const QString &filters);
} // namespace SearchSourceCodec
