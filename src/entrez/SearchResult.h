#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One term of the query and what PubMed searched for it instead.
struct TermExpansion
{
    QString from;
    QString to;
};

// One term of the translated query with its own number of matches, as older
// answers list them; the count as the service wrote it (-1 for a range end).
struct TermCount
{
    QString term;
    QString field;
    QString count;
};

// A remark of the service on the query: the element's name as the kind
// ("PhraseNotFound", "FieldNotFound", "PhraseIgnored", "QuotedPhraseNotFound",
// "OutputMessage", or one it adds later) and its text, plain.
struct QueryNotice
{
    QString kind;
    QString text;

    // The error of a phrase PubMed found nothing for, dropped from the search.
    static inline const QString PhraseNotFound = QStringLiteral("PhraseNotFound");
};

// The answer of one ESearch call: the PMIDs of the requested window in answer
// order (duplicates kept), the total number of matches as the service wrote
// it, and the number of PMIDs; then what PubMed did with the query, each part
// empty when the answer leaves it out.
struct SearchResult
{
    QStringList PMIDs;
    QString totalCount;
    int retrievedCount = 0;

    QString translation;
    QList<TermExpansion> expansions;
    QList<TermCount> termCounts;
    QList<QueryNotice> errors;
    QList<QueryNotice> warnings;
};
