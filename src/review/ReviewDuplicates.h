#pragma once

#include "review/ReviewRecord.h"

#include <QList>
#include <QString>

// Finds the records of a review that describe the same article across its
// sources. Sure: the same PMID, the same DOI after normalising, or the same
// title (after normalising, one typo allowed) with the same year and the same
// first page or first author. Uncertain: a similar title where the year, page
// or author do not agree. Two records whose non-empty PMIDs, or non-empty
// DOIs, differ are never taken for one, however alike the rest.
namespace ReviewDuplicates {

enum class Match { Distinct, Uncertain, Sure };

struct Verdict
{
    Match match = Match::Distinct;
    QString rule; // why, in the user's words
};

// One record merged into another, the more complete, which is kept.
struct Merge
{
    qint64 kept = 0;
    qint64 merged = 0;
    QString rule;
};

struct Pair
{
    qint64 first = 0;
    qint64 second = 0;
    QString rule;
};

struct Found
{
    QList<Merge> merges;    // sure duplicates, each into the kept record of its set
    QList<Pair> uncertain;  // for the user to confirm or reject
};

// "10.1000/abc" from "https://doi.org/10.1000/ABC", "doi:10.1000/abc." and the like.
QString normalizedDoi(const QString &doi);
// Lower case, accents and punctuation gone, spaces collapsed.
QString normalizedTitle(const QString &title);
// "123" from "123-9", "pp. 123–129", "e123".
QString firstPage(const QString &pages);
// The first author's family name, normalised: "smith" from "Smith, J.", "Smith J" and "SMITH, John".
QString firstAuthor(const QStringList &authors);

// Whether two identifiers of one kind (PMIDs, or normalised DOIs) name two
// articles: both are given and they are not the same.
bool identifiersClash(const QString &a, const QString &b);
// Whether two records are two articles whatever else they share: their
// PMIDs clash, or their DOIs do.
bool identifiersDiffer(const ReviewRecord &a, const ReviewRecord &b);

Verdict compare(const ReviewRecord &a, const ReviewRecord &b);

// Over records not yet merged; `rejected` pairs (by id, the smaller first)
// were judged distinct by the user and are not offered again.
Found find(const ReviewRecords &records, const QList<QPair<qint64, qint64>> &rejected = {});

} // namespace ReviewDuplicates
