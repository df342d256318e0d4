#pragma once

#include "entrez/CitationMatch.h"
#include "references/ReferenceParser.h"

#include <QString>
#include <QStringList>

// What ECitMatch needs of a reference: a journal, a year, and a volume or a
// first page. A chapter of a book is no journal article.
bool canMatchCitation(const ParsedReference &reference);
// The reference as ECitMatch's parts: the journal without periods, the first
// author as "surname initial", all without accents.
CitationParts citationPartsOf(const ParsedReference &reference, const QString &key);

// The words of a title worth searching for: letters and digits only, without
// accents, lower case, no stop words, no plain numbers, each once, longest first.
QStringList titleWordsOf(const QString &title);

// An ESearch term that finds the reference's article and as few others as
// possible; empty when the reference says too little. With the first author
// and the year (one either side, for a print year after the online one), any
// of: one of two halves of the title's words (so that one misspelt word
// still finds it; every word of a short title), or the volume and first
// page; or the DOI alone. Without the author, every title word and the year.
// A title of fewer than three words says too little. Errata, which repeat a title
// and its authors, are left out.
QString searchTermOf(const ParsedReference &reference);
