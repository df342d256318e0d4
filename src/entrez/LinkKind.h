#pragma once

#include "entrez/ElinkAnswer.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The three ways from an article to others that ELink gives.
enum class LinkKind { Similar, CitedBy, References };

// ELink's link name: pubmed_pubmed, pubmed_pubmed_citedin, pubmed_pubmed_refs.
QString linkNameOf(LinkKind kind);

// The linked articles of `kind` over every link set of `answer`, each PMID
// once, in the order a reader wants them: similar articles by score, highest
// first (the answer's order without scores), citing articles newest first
// (highest PMID first), references in the answer's order. The PMIDs asked
// about are left out of the similar ones, whose list starts with the article
// itself.
QList<LinkedArticle> orderedLinks(const ElinkAnswer &answer, LinkKind kind, const QStringList &asked);

// For each PMID linked as `kind`, the PMIDs asked about whose link set holds
// it, in the order they were asked. A link set asked for with one
// comma-separated id is the union of all its PMIDs and names them all.
QHash<QString, QStringList> linkedFrom(const ElinkAnswer &answer, LinkKind kind, const QStringList &asked);

struct FetchResult;

// An ELink answer fetched by any means read into the PMIDs `asked` links to
// as `kind`, ordered as above, or the reason there are none to be had.
struct LinkedPmidsOutcome
{
    QStringList pmids;
    QString error; // the transfer's, the service's <ERROR>, or an unreadable answer
    QHash<QString, QStringList> linkedFrom = {}; // as linkedFrom() above
};
LinkedPmidsOutcome linkedPmidsOutcome(const FetchResult &fetched, LinkKind kind, const QStringList &asked);

// The PMIDs of `links`, in order.
QStringList pmidsOf(const QList<LinkedArticle> &links);
