#include "fulltext/FullTextFetch.h"

#include "entrez/LinkOut.h"
#include "fulltext/FullTextMessages.h"
#include "fulltext/PdfAnswer.h"
#include "services/Bioc.h"
#include "services/PmcOa.h"
#include "services/ServiceRequest.h"
#include "services/Unpaywall.h"

namespace {

// A PDF may take a while to come over a slow line, as long as it keeps coming.
constexpr int kPdfDeadlineMs = 10 * 60 * 1000;
constexpr int kHttpNotFound = 404;

} // namespace

void FullTextTally::add(const FullTextOutcome &outcome)
{
    ++total;
    if (outcome.kind == FullTextKind::Text)
        ++texts;
    else if (outcome.kind == FullTextKind::Pdf)
        ++pdfs;
    else if (outcome.notOpenAccess)
        ++notOpen;
    else
        ++failed;
}

QString FullTextTally::summary() const
{
    return FullTextMessages::summary(texts + pdfs, total, texts, pdfs, notOpen, failed);
}

FullTextFetch::FullTextFetch(const Endpoints &endpoints, QObject *parent)
    : QObject(parent)
    , m_endpoints(endpoints)
    , m_transfer(m_manager)
    , m_ids(endpoints)
{
    connect(&m_transfer, &EutilsTransfer::finished, this, [this] { std::exchange(m_answer, {})(m_transfer.takeBody()); });
    connect(&m_transfer, &EutilsTransfer::failed, this, [this](const QString &reason, const QUrl &, int status) {
        std::exchange(m_failure, {})(reason, status);
    });
    connect(&m_ids, &IdConversion::finished, this, [this](const QHash<QString, ConvertedIds> &known) {
        m_known = known;
        askLinkOut();
    });
    // Without PMC's answer every article is looked for elsewhere.
    connect(&m_ids, &IdConversion::failed, this, [this] { askLinkOut(); });
}

void FullTextFetch::setRetryPolicy(const RetryPolicy &policy)
{
    m_transfer.setRetryPolicy(policy);
    m_ids.setRetryPolicy(policy);
}

bool FullTextFetch::start(const QList<FullTextArticle> &articles)
{
    if (m_running)
        return false;
    m_running = true;
    m_articles = articles;
    m_known.clear();
    m_current = -1;
    m_tally = {};
    m_linkOut.clear();
    m_ids.setEmail(m_email);
    IdConversion::Ids ids;
    for (const FullTextArticle &article : articles)
        ids.append({ArticleIdType::Pmid, article.pmid});
    if (!m_ids.start(ids))
        QMetaObject::invokeMethod(this, &FullTextFetch::askLinkOut, Qt::QueuedConnection);
    return true;
}

void FullTextFetch::cancel()
{
    m_running = false;
    m_ids.cancel();
    m_transfer.cancel();
    m_answer = {};
    m_failure = {};
}

void FullTextFetch::send(const EutilsRequest &request, Answer answer, Failure failure)
{
    m_answer = std::move(answer);
    m_failure = std::move(failure);
    // No answer, a text's or a PDF's, is held past the size of the largest PDF kept.
    TransferLimits limits;
    limits.maxBytes = std::min(limits.maxBytes, kMaxFullTextBytes);
    if (request.httpsRedirects) {
        limits.maxBytes = m_maxPdfBytes;
        limits.deadlineMs = kPdfDeadlineMs;
    }
    m_transfer.setLimits(limits);
    m_transfer.start(request);
}

// LinkOut's providers of every article at once, when only looking.
void FullTextFetch::askLinkOut()
{
    if (!m_lookupOnly || m_articles.isEmpty()) {
        next();
        return;
    }
    QStringList pmids;
    for (const FullTextArticle &article : std::as_const(m_articles))
        pmids.append(article.pmid);
    const auto take = [this](const QByteArray &body) {
        const LinkOutAnswer answer = linkOutAnswerFrom(body);
        for (auto it = answer.links.begin(); it != answer.links.end(); ++it) {
            for (const LinkOutLink &link : it.value()) {
                if (link.isFullText())
                    m_linkOut[it.key()].append({link.provider, link.url, link.free});
            }
        }
        next();
    };
    // Without LinkOut's answer the other sources are still listed.
    send(linkOutRequest(m_endpoints, pmids, m_identity), take, [this](const QString &, int) { next(); });
}

void FullTextFetch::addSource(const QString &label, const QUrl &url, bool free)
{
    m_sources.append({label, url, free});
}

void FullTextFetch::next()
{
    if (!m_running)
        return;
    if (++m_current >= m_articles.size()) {
        m_running = false;
        emit finished(m_tally);
        return;
    }
    emit progress(m_current, m_articles.size());
    m_sources.clear();
    const FullTextArticle &article = m_articles.at(m_current);
    const ConvertedIds ids = m_known.value(articleIdKey(ArticleIdType::Pmid, article.pmid));
    if (m_articles[m_current].doi.isEmpty())
        m_articles[m_current].doi = ids.doi;
    if (ids.pmcid.isEmpty())
        askUnpaywall({}, {});
    else
        askPmc(ids.pmcid);
}

void FullTextFetch::askPmc(const QString &pmcid)
{
    send(pmcOaRequest(m_endpoints, pmcid), [this, pmcid](const QByteArray &body) {
        const PmcOaRecord record = pmcOaAnswerFrom(body, m_endpoints);
        if (!record.isOpenAccess()) {
            askUnpaywall({}, {});
            return;
        }
        const QString licence = record.licence == QLatin1String("none") ? QString() : record.licence;
        if (m_lookupOnly) {
            addSource(FullTextMessages::pmcText(), QUrl(m_endpoints.pmcOrigin() + QLatin1String(Paths::PmcArticlePrefix) + pmcid
                                                        + QLatin1String(Paths::ArticleSuffix)), true);
            askUnpaywall(record.pdf, licence);
            return;
        }
        const EutilsRequest request = biocRequest(m_endpoints, pmcid);
        send(request, [this, request, licence, record](const QByteArray &text) {
            BiocAnswer answer = biocAnswerFrom(text);
            if (!answer.error.isEmpty()) {
                askUnpaywall(record.pdf, licence);
                return;
            }
            FullTextOutcome outcome;
            outcome.kind = FullTextKind::Text;
            outcome.row = {.kind = FullTextKind::Text, .source = QStringLiteral("PMC"), .address = request.url.toString(),
                           .licence = licence.isEmpty() ? answer.document.licence : licence, .version = QStringLiteral("publishedVersion")};
            outcome.text = std::move(answer.document);
            done(std::move(outcome));
        }, [this, record, licence](const QString &, int) { askUnpaywall(record.pdf, licence); });
    }, [this](const QString &reason, int) { failed(reason); });
}

void FullTextFetch::askUnpaywall(const QUrl &pmcPdf, const QString &pmcLicence)
{
    if (m_lookupOnly && pmcPdf.isValid())
        addSource(FullTextMessages::openPdf(pmcPdf.host(), pmcLicence), pmcPdf, true);
    else if (pmcPdf.isValid()) {
        download(pmcPdf, {.kind = FullTextKind::Pdf, .source = QStringLiteral("PMC"), .licence = pmcLicence,
                          .version = QStringLiteral("publishedVersion")});
        return;
    }
    const QString doi = m_articles.at(m_current).doi;
    if (doi.isEmpty()) {
        notOpen(FullTextMessages::noDoi());
        return;
    }
    if (m_lookupOnly && (!m_sources.isEmpty() || m_email.isEmpty())) {
        done({});
        return;
    }
    if (m_email.isEmpty()) {
        failed(FullTextMessages::noAddress());
        return;
    }
    send(unpaywallRequest(m_endpoints, doi, m_email), [this](const QByteArray &body) {
        const UnpaywallAnswer answer = unpaywallAnswerFrom(body);
        if (!answer.error.isEmpty()) {
            failed(answer.error);
        } else if (!answer.best) {
            notOpen(FullTextMessages::notOpenAccess());
        } else if (m_lookupOnly) {
            const QUrl where = answer.best->pdf.isValid() ? answer.best->pdf : answer.best->landingPage;
            addSource(answer.best->pdf.isValid() ? FullTextMessages::openPdf(where.host(), answer.best->licence)
                                                 : FullTextMessages::openPage(where.host(), answer.best->licence),
                      where, true);
            done({});
        } else if (!answer.best->pdf.isValid()) {
            notOpen(FullTextMessages::landingPageOnly());
        } else {
            download(answer.best->pdf, {.kind = FullTextKind::Pdf, .source = QStringLiteral("Unpaywall"),
                                        .licence = answer.best->licence, .version = answer.best->version});
        }
    }, [this](const QString &reason, int status) {
        if (status == kHttpNotFound)
            notOpen(FullTextMessages::notInUnpaywall());
        else
            failed(reason);
    });
}

void FullTextFetch::download(const QUrl &url, FullTextRow row)
{
    // Only over https; the services' own addresses are trusted as set (a
    // local stand-in in tests).
    const QString origin = Endpoints::origin(url);
    if (url.scheme() != QLatin1String("https") && origin != m_endpoints.unpaywallOrigin() && origin != m_endpoints.ncbiFtpOrigin()) {
        failed(FullTextMessages::notHttps());
        return;
    }
    EutilsRequest request = serviceRequest(url);
    request.httpsRedirects = true;
    row.address = url.toString();
    send(request, [this, row](const QByteArray &body) {
        const QString refusal = pdfRefusal(body, m_maxPdfBytes);
        if (!refusal.isEmpty()) {
            failed(refusal);
            return;
        }
        FullTextOutcome outcome;
        outcome.kind = FullTextKind::Pdf;
        outcome.row = row;
        outcome.pdf = body;
        done(std::move(outcome));
    }, [this](const QString &reason, int) { failed(reason); });
}

void FullTextFetch::done(FullTextOutcome outcome)
{
    const FullTextArticle &article = m_articles.at(m_current);
    outcome.pmid = article.pmid;
    outcome.row.pmid = article.pmid.toLongLong();
    if (!article.doi.isEmpty())
        outcome.publisher = QUrl(m_endpoints.doiOrigin() + u'/' + article.doi);
    if (m_lookupOnly) {
        outcome.sources = m_sources + m_linkOut.value(article.pmid);
        if (outcome.publisher.isValid())
            outcome.sources.append({FullTextMessages::publisher(), outcome.publisher, false});
        outcome.notOpenAccess = !std::any_of(outcome.sources.cbegin(), outcome.sources.cend(), [](const FullTextSource &source) { return source.free; });
    }
    m_tally.add(outcome);
    emit articleDone(outcome);
    // Later: a slot of articleDone may cancel.
    QMetaObject::invokeMethod(this, &FullTextFetch::next, Qt::QueuedConnection);
}

void FullTextFetch::notOpen(const QString &reason)
{
    done({.notOpenAccess = true, .reason = reason});
}

void FullTextFetch::failed(const QString &reason)
{
    done({.reason = reason});
}
