#pragma once

#include "common/Endpoints.h"
#include "entrez/EutilsRequest.h"
#include "entrez/EutilsTransfer.h"
#include "services/IdConverter.h"

#include <QList>
#include <QNetworkAccessManager>
#include <QObject>
#include <QStringList>

// One identifier found in pasted text.
struct ArticleIdentifier
{
    enum class Kind { Pmid, Doi, Pmcid, Unknown };
    Kind kind = Kind::Unknown;
    QString text; // the PMID, the DOI ("10.1000/x"), "PMC123", or the token as pasted
    friend bool operator==(const ArticleIdentifier &, const ArticleIdentifier &) = default;
};

// What pasted identifiers came to.
struct IdentifierResolution
{
    QList<qint64> pmids;  // each once, in the order pasted
    QStringList notFound; // DOIs and PMCIDs PubMed does not know, and tokens that are no identifier
};

// Reads PMIDs, DOIs and PMCIDs from text with any separators and finds the
// PMIDs of the DOIs and PMCIDs: first through PMC's ID converter, up to
// kIdConverterMaxIds a request, then through ESearch, one paced request each,
// for what the converter does not know (it knows only articles in PMC) or
// all of them when it cannot be asked. Ends with exactly one of finished() or
// failed(), unless cancel() comes first.
class IdentifierResolver : public QObject
{
    Q_OBJECT

public:
    explicit IdentifierResolver(const Endpoints &endpoints = {}, QObject *parent = nullptr);

    // In the order of the text; "PMID:", "doi:" and DOI links are read as
    // the identifiers they introduce.
    static QList<ArticleIdentifier> parse(const QString &text);

    void setIdentity(const EutilsIdentity &identity)
    {
        m_identity = identity;
        m_conversion.setEmail(identity.email);
    }
    void setLimiter(RequestLimiter &limiter) { m_transfer.setLimiter(limiter); }
    void setRetryPolicy(const RetryPolicy &policy)
    {
        m_transfer.setRetryPolicy(policy);
        m_conversion.setRetryPolicy(policy);
    }

    // False while one runs. Text without an identifier finishes at once, empty.
    bool start(const QString &text);
    void cancel();
    bool isRunning() const { return m_running; }

signals:
    void retryScheduled(int seconds);
    void finished(const IdentifierResolution &resolution);
    void failed(const QString &message);

private:
    void convert();
    void next();
    void onAnswer();

    Endpoints m_endpoints;
    EutilsIdentity m_identity;
    QNetworkAccessManager m_manager;
    EutilsTransfer m_transfer;
    IdConversion m_conversion;
    // The PMIDs the converter gave, by articleIdKey().
    QHash<QString, ConvertedIds> m_converted;
    QList<ArticleIdentifier> m_identifiers;
    qsizetype m_next = 0;
    IdentifierResolution m_resolution;
    bool m_running = false;
};
