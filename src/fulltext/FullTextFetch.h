#pragma once

#include "common/Endpoints.h"
#include "entrez/EutilsTransfer.h"
#include "entrez/RetryPolicy.h"
#include "fulltext/FullTextDocument.h"
#include "fulltext/PdfAnswer.h"
#include "library/FullTextRow.h"
#include "services/IdConverter.h"

#include <QHash>
#include <QNetworkAccessManager>
#include <QObject>
#include <QUrl>

#include <functional>
#include <optional>

// An article whose full text is sought: its PMID and, when known, its DOI.
struct FullTextArticle
{
    QString pmid = {};
    QString doi = {};
};

// A place the full text of an article can be read, as the links area and
// `fulltext --links` list it.
struct FullTextSource
{
    QString label; // "Free full text (PMC)", "Open-access PDF (host, licence)", a LinkOut provider, "Publisher"
    QUrl url = {};
    bool free = false;
};

// What the search found for one article: a text or a PDF with its row
// (source, address, licence, version) ready to keep, or why there is none.
struct FullTextOutcome
{
    QString pmid = {};
    std::optional<FullTextKind> kind = {};
    FullTextRow row = {};
    FullTextDocument text = {};
    QByteArray pdf = {};
    // No legal open copy was found (as opposed to one that failed to come).
    bool notOpenAccess = false;
    QString reason = {};
    // The publisher's page through the DOI, for the user's own browser and proxy.
    QUrl publisher = {};
    // Where it can be read, when only looked up (setLookupOnly).
    QList<FullTextSource> sources = {};
};

struct FullTextTally
{
    qsizetype total = 0;
    qsizetype texts = 0;
    qsizetype pdfs = 0;
    qsizetype notOpen = 0;
    qsizetype failed = 0;

    void add(const FullTextOutcome &outcome);
    QString summary() const;
};

// Finds and fetches the legal full text of articles, one after another, in
// this order: PMC's open-access text (the PMID turned into a PMCID by PMC's
// ID converter, the OA service asked whether the article is in the
// open-access subset, BioC for its text); else an open-access PDF, PMC's own
// when the OA service names one, else Unpaywall's best location for the DOI.
// Every request goes through the pace of its host's limiter; nothing carries
// the NCBI API key; a PDF's redirects are followed over https only, and it is
// accepted only as a PDF under kMaxFullTextBytes. Nothing is fetched from
// PMC's article pages or behind a paywall.
class FullTextFetch : public QObject
{
    Q_OBJECT

public:
    explicit FullTextFetch(const Endpoints &endpoints = {}, QObject *parent = nullptr);

    // The contact address Unpaywall requires and the ID converter asks for.
    void setEmail(const QString &email) { m_email = email.trimmed(); }
    void setRetryPolicy(const RetryPolicy &policy);
    // Who asks the E-utilities for LinkOut; the key goes to them alone.
    void setIdentity(const EutilsIdentity &identity) { m_identity = identity; }
    // Only says where each full text is (PMC, Unpaywall, LinkOut, the
    // publisher), in outcomes' `sources`, and fetches nothing.
    void setLookupOnly(bool lookupOnly) { m_lookupOnly = lookupOnly; }
    // Tests lower the largest PDF accepted.
    void setMaxPdfBytes(qint64 bytes) { m_maxPdfBytes = bytes; }

    // False while one runs; each article ends with articleDone(), then finished().
    bool start(const QList<FullTextArticle> &articles);
    // Stops at once; nothing more is emitted.
    void cancel();
    bool isRunning() const { return m_running; }

signals:
    void progress(qsizetype done, qsizetype total);
    void articleDone(const FullTextOutcome &outcome);
    void finished(const FullTextTally &tally);

private:
    using Answer = std::function<void(const QByteArray &body)>;
    using Failure = std::function<void(const QString &reason, int httpStatus)>;
    void send(const EutilsRequest &request, Answer answer, Failure failure);
    void next();
    void askPmc(const QString &pmcid);
    void askUnpaywall(const QUrl &pmcPdf, const QString &pmcLicence);
    void download(const QUrl &url, FullTextRow row);
    void done(FullTextOutcome outcome);
    void addSource(const QString &label, const QUrl &url, bool free);
    void askLinkOut();
    void notOpen(const QString &reason);
    void failed(const QString &reason);

    Endpoints m_endpoints;
    QString m_email;
    QNetworkAccessManager m_manager;
    EutilsTransfer m_transfer;
    IdConversion m_ids;
    Answer m_answer;
    Failure m_failure;
    QList<FullTextArticle> m_articles;
    QHash<QString, ConvertedIds> m_known;
    qsizetype m_current = 0;
    FullTextTally m_tally;
    qint64 m_maxPdfBytes = kMaxFullTextBytes;
    EutilsIdentity m_identity;
    bool m_lookupOnly = false;
    QHash<QString, QList<FullTextSource>> m_linkOut;
    QList<FullTextSource> m_sources;
    bool m_running = false;
};
