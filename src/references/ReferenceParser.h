#pragma once

#include <QString>
#include <QStringList>

// The parts of one reference a matcher looks for; empty where the text does
// not say. The author is the first one, by surname and initials.
struct ParsedReference
{
    QString text;
    QString surname;
    QString initials;
    QString title;
    QString journal;
    QString year;
    QString volume;
    QString issue;
    QString firstPage;
    QString doi;
    QString pmid;
    QString pmcid;
    // A chapter of a book ("In: Editor A, ed. Book."): it has no journal.
    bool inBook = false;

    // Identified, or with a year and an author or a title of some words:
    // not a line of other text.
    bool looksLikeReference() const;
    friend bool operator==(const ParsedReference &, const ParsedReference &) = default;
};

// Reads a reference in the styles of biomedical reference lists: Vancouver
// (NLM), AMA, APA and the Lancet's, with "et al.", a DOI (plain, "doi:" or
// as a doi.org link), a PMID or a PMCID, electronic page numbers ("e972").
// Links and the "PubMed", "Google Scholar" and "Crossref" marks copied from
// web pages are ignored.
ParsedReference parseReference(const QString &text);

// `text` without accents and in ASCII letters where it has an equivalent, for
// services that compare names and titles letter by letter.
QString withoutAccents(const QString &text);
