#pragma once

#include "library/IdentifierResolver.h"
#include "library/LibraryDownload.h"
#include "review/ReviewRecord.h"

#include <QHash>
#include <QObject>

class ReviewStore;

// Completes a review's records from PubMed: the DOIs of records without a
// PMID are looked up, then every record with a PMID is downloaded (paced as
// every E-utilities request) and its empty fields filled from PubMed's record;
// nothing the source gave is overwritten. The fills are stored in one
// transaction. Ends with exactly one of finished() or failed().
class ReviewCompletion : public QObject
{
    Q_OBJECT

public:
    ReviewCompletion(ReviewStore &store, const Endpoints &endpoints = {}, QObject *parent = nullptr);

    void setIdentity(const EutilsIdentity &identity);
    // False when nothing in the review can be looked up.
    bool start(qint64 review);

    // `record` with its empty fields taken from `pubmed`.
    static ReviewRecord completed(const ReviewRecord &record, const ReviewRecord &pubmed);

signals:
    void finished(qsizetype completed);
    void failed(const QString &message);

private:
    void download(const QList<qint64> &pmids);

    ReviewStore &m_store;
    IdentifierResolver m_resolver;
    LibraryDownload m_download;
    qint64 m_review = 0;
    ReviewRecords m_records;
    QList<qint64> m_pmids;
    ReviewRecords m_arrived;
};
