#pragma once

#include "entrez/ArticleRecord.h"

#include <Qt>

#include <vector>

// Reorders the article list itself by one key, stably: records that compare
// equal keep their order. Text compares as a reader expects: ignoring case
// and accents' weight the locale gives them, and with digit runs as numbers
// ("9" before "10").
// Returns the permutation applied: new row i holds the record of old row result[i].
std::vector<qsizetype> sortArticles(ArticleList &articles, ArticleRecord::Key key, Qt::SortOrder order);
