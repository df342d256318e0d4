#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One record of a review as its source gave it: a PubMed article added from a
// search or a collection, or a row of another database's export. The fields
// are kept as the source wrote them; deduplication normalises its own copies.
struct ReviewRecord
{
    qint64 id = 0;     // in the store; 0 before it is stored
    qint64 source = 0; // the source it came from
    QString title;
    QStringList authors; // "Family, Given" or "Family GI", as written
    QString journal;
    QString year;
    QString volume;
    QString issue;
    QString pages;
    QString doi;
    QString pmid;
    QString abstract;
    QStringList keywords; // keywords and MeSH terms
    qint64 mergedInto = 0; // the record kept in its place, when merged as a duplicate

    // How many of its fields are filled: the record kept of a duplicate set
    // is the most complete one.
    int completeness() const;

    friend bool operator==(const ReviewRecord &, const ReviewRecord &) = default;
};

using ReviewRecords = QList<ReviewRecord>;
