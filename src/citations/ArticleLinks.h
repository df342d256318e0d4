#pragma once

#include "common/Endpoints.h"
#include "entrez/ArticleRecord.h"

#include <QString>

// The pages of an article besides its DOI: its PubMed page and, when it has
// one, its free full text in PubMed Central. Both are free to read, so unlike
// the DOI they never go through an institution's proxy. An id that is not of
// its kind (a PMID is 1 to 10 digits, a PMCID "PMC" and 1 to 10 digits) gives
// no page, so nothing from an answer but those digits reaches the URL.

// "" when the record has no PMID.
QString pubmedUrlForArticle(const ArticleRecord &article, const Endpoints &endpoints);
// "" when the record has no PMCID.
QString pmcUrlForArticle(const ArticleRecord &article, const Endpoints &endpoints);

// What Copy PMID and Copy DOI put on the clipboard: the value of each article
// that has one, one per line, in the order given; no line break at the end.
QString pmidLines(const ArticleList &articles);
QString doiLines(const ArticleList &articles);
