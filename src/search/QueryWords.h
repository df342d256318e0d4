#pragma once

#include "search/SearchSource.h"

#include <QString>
#include <QStringList>

// The words and phrases of a PubMed query, to find in an article's text:
// without the operators (AND, OR, NOT), field tags ("[ti]"), quotes,
// wildcards, parentheses and ranges; a quoted phrase stays one entry.
QStringList queryWords(const QString &query);
// The words a result set looked for: a PubMed query's, or the text of a
// library search; none for a whole collection or a link set, whose title
// names no words of the articles.
QStringList wordsLookedFor(const SearchSource &source);
