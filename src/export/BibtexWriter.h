#pragma once

#include "export/Reference.h"

#include <QByteArray>
#include <QList>
#include <QString>

// BibTeX: "@article{pmidNNNN, …}" per record (@incollection, @book for book
// records), empty fields left out, UTF-8. Text fields escape the characters
// BibTeX or LaTeX would read as markup; the title sits in double braces so
// its capitals are kept.
namespace BibtexWriter {
QByteArray write(const QList<Reference> &references);
// One entry and the blank line after it; `fallbackKey` names it when the
// record has no PMID.
QString entry(const Reference &reference, const QString &fallbackKey);
// `text` with { } \ % & # $ _ ~ ^ written as LaTeX, so that a BibTeX parser
// and LaTeX both read back the characters themselves and the braces of a field
// balance whatever the text holds; other characters stay.
QString escaped(const QString &text);
} // namespace BibtexWriter
