#pragma once

#include "common/CitationMetrics.h"
#include "common/Endpoints.h"
#include "entrez/EutilsRequest.h"
#include "entrez/LinkKind.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QStringList>

// One article as iCite knows it: its counts and figures, the PMIDs citing it
// and those it references.
struct IciteRecord
{
    QString pmid;
    CitationMetrics metrics;
    QStringList citedBy;
    QStringList references;
};

// iCite's records of `pmids`, kIciteMaxPmids a request.
QList<EutilsRequest> iciteRequests(const Endpoints &endpoints, const QStringList &pmids);

// An iCite answer read: one record per entry with a PMID (a PMID iCite does
// not know is simply absent), or the reason it is no such answer. Its answers
// have given numbers as numbers and as text, so either is taken (the fields
// whose types changed most, the flags and the authors, are not read); a
// null, missing or unreadable figure is unknown. The cited-by count is citation_count, or the length of cited_by
// without one; the reference count is the length of references.
struct IciteAnswer
{
    QList<IciteRecord> records;
    QString error;
};
IciteAnswer iciteAnswerFrom(const QByteArray &body);

// The citing (newest, highest PMID first, as ELink's are shown) or the
// referenced (in order) PMIDs of `records`, each once; none for similar articles.
QStringList iciteLinkedPmids(const QList<IciteRecord> &records, LinkKind kind);
// By each of those PMIDs, the PMIDs of `records` it is linked from.
QHash<QString, QStringList> iciteLinkedFrom(const QList<IciteRecord> &records, LinkKind kind);
