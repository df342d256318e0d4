#include "review/ReviewCompletion.h"

#include "export/Reference.h"
#include "review/ReviewDuplicates.h"
#include "review/ReviewReport.h"
#include "review/ReviewStore.h"

ReviewCompletion::ReviewCompletion(ReviewStore &store, const Endpoints &endpoints, QObject *parent)
    : QObject(parent), m_store(store), m_resolver(endpoints), m_download(endpoints)
{
    connect(&m_resolver, &IdentifierResolver::failed, this, &ReviewCompletion::failed);
    connect(&m_download, &LibraryDownload::failed, this, &ReviewCompletion::failed);
    connect(&m_resolver, &IdentifierResolver::finished, this, [this](const IdentifierResolution &resolution) {
        download(m_pmids + resolution.pmids);
    });
    connect(&m_download, &LibraryDownload::batchArrived, this, [this](const QList<ArticleToStore> &articles) {
        for (const ArticleToStore &article : articles)
            m_arrived.append(recordFromReference(referenceForArticle(article.record)));
    });
    connect(&m_download, &LibraryDownload::finished, this, [this] {
        QHash<QString, ReviewRecord> byPmid, byDoi;
        for (const ReviewRecord &r : std::as_const(m_arrived)) {
            byPmid.insert(r.pmid, r);
            if (const QString doi = ReviewDuplicates::normalizedDoi(r.doi); !doi.isEmpty())
                byDoi.insert(doi, r);
        }
        ReviewRecords changed;
        for (const ReviewRecord &r : std::as_const(m_records)) {
            const QHash<QString, ReviewRecord> &by = r.pmid.isEmpty() ? byDoi : byPmid;
            const auto pubmed = by.constFind(r.pmid.isEmpty() ? ReviewDuplicates::normalizedDoi(r.doi) : r.pmid);
            if (pubmed == by.cend())
                continue;
            if (const ReviewRecord filled = completed(r, *pubmed); !(filled == r))
                changed.append(filled);
        }
        if (!changed.isEmpty() && !m_store.updateRecords(m_review, changed))
            return emit failed(m_store.error());
        emit finished(changed.size());
    });
}

void ReviewCompletion::setIdentity(const EutilsIdentity &identity)
{
    m_resolver.setIdentity(identity);
    m_download.setIdentity(identity);
}

bool ReviewCompletion::start(qint64 review)
{
    const auto records = m_store.records(review);
    if (!records || m_resolver.isRunning() || m_download.isRunning())
        return false;
    m_review = review;
    m_records = *records;
    m_pmids.clear();
    m_arrived.clear();
    QStringList dois;
    for (const ReviewRecord &r : std::as_const(m_records)) {
        if (const qint64 pmid = r.pmid.toLongLong(); pmid > 0)
            m_pmids.append(pmid);
        else if (const QString doi = ReviewDuplicates::normalizedDoi(r.doi); !doi.isEmpty())
            dois.append(doi);
    }
    if (m_pmids.isEmpty() && dois.isEmpty())
        return false;
    if (dois.isEmpty())
        download(m_pmids);
    else
        m_resolver.start(dois.join(u' '));
    return true;
}

void ReviewCompletion::download(const QList<qint64> &pmids)
{
    if (pmids.isEmpty() || !m_download.start(pmids))
        emit finished(0);
}

ReviewRecord ReviewCompletion::completed(const ReviewRecord &record, const ReviewRecord &pubmed)
{
    ReviewRecord out = record;
    for (QString ReviewRecord::*field : {&ReviewRecord::title, &ReviewRecord::journal, &ReviewRecord::year, &ReviewRecord::volume,
                                         &ReviewRecord::issue, &ReviewRecord::pages, &ReviewRecord::doi, &ReviewRecord::pmid,
                                         &ReviewRecord::abstract})
        if ((out.*field).trimmed().isEmpty())
            out.*field = pubmed.*field;
    if (out.authors.isEmpty())
        out.authors = pubmed.authors;
    if (out.keywords.isEmpty())
        out.keywords = pubmed.keywords;
    return out;
}
