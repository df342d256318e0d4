#pragma once

#include <QColor>
#include <QList>
#include <QRegularExpression>
#include <QStringList>

// How the reader marks the query's words in a full text, whether a document
// of its own or a PDF: case-blind, from the start of a word (so a word
// whose wildcard was dropped still marks its longer forms), a phrase as a
// whole; words of one letter are not marked.
namespace WordMarks {
inline const QColor Colour(255, 235, 120);

// The pattern of `word`, or an empty one for a word too short to mark.
QRegularExpression pattern(const QString &word);

struct Span
{
    qsizetype start;
    qsizetype length;
};
// Every place in `text` where one of `words` is found.
QList<Span> find(const QString &text, const QStringList &words);
} // namespace WordMarks
