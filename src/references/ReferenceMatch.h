#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One reference of a list and the PubMed article it was matched to.
struct ReferenceMatch
{
    // How the PMID was found, or why there is none.
    enum class How {
        Identifier,    // a PMID in the text, or its DOI or PMCID through the ID converter
        CitationMatch, // ECitMatch, by journal, year, volume, page and author
        Search,        // ESearch by author, year and title words: one article
        Ambiguous,     // ESearch found several: `candidates` to choose from
        NotFound,
        NotAReference, // a line of other text
        Edited,        // the PMID the user gave
    };

    QString text;
    How how = How::NotFound;
    QString pmid;
    QStringList candidates;

    bool found() const { return !pmid.isEmpty(); }
};

// What matching a list came to, in the order of the list; a lookup that failed
// is named in `errors` and leaves what it would have matched not found.
struct ReferenceMatching
{
    QList<ReferenceMatch> matches;
    QStringList errors;

    // The references that look like references, and those of them with a PMID.
    qsizetype referenceCount() const;
    qsizetype foundCount() const;
    // The PMIDs found, in the order of the list, each once.
    QStringList pmids() const;
    // The text of the first reference matched to each of pmids(), in that order.
    QStringList textsOfPmids() const;
};
