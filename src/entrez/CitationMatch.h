#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// One citation as ECitMatch takes it; empty parts are sent empty.
struct CitationParts
{
    QString journal;
    QString year;
    QString volume;
    QString firstPage;
    QString author; // "smith j": surname and initials
    QString key;    // the caller's own, echoed in the answer
};

// The bdata line of `parts`: "journal|year|volume|first page|author|key|",
// lower case, each part without bars and line breaks, which would shift the
// fields.
QString citationMatchLine(const CitationParts &parts);

// What ECitMatch said of one citation.
struct CitationMatchResult
{
    QString key;
    QString pmid;           // empty when it found none or several
    bool ambiguous = false; // "AMBIGUOUS (5 citations)"
};

// ECitMatch's answer, plain text though retmode=xml is asked: one line per
// citation, the fields as sent and the result last (a PMID, NOT_FOUND,
// NOT_FOUND;INVALID_JOURNAL, AMBIGUOUS (n citations)). Lines of another shape
// are skipped; no such line at all in a non-empty answer is an error.
struct CitationMatchAnswer
{
    QList<CitationMatchResult> results;
    QString error;
};
CitationMatchAnswer citationMatchAnswerFrom(const QByteArray &body);
