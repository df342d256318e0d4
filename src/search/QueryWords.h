#pragma once

#include <QString>
#include <QStringList>

// The words and phrases of a PubMed query, to find in an article's text:
// without the operators (AND, OR, NOT), field tags ("[ti]"), quotes,
// wildcards, parentheses and ranges; a quoted phrase stays one entry.
QStringList queryWords(const QString &query);
