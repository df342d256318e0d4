#pragma once

#include "common/Endpoints.h"
#include "entrez/EutilsRequest.h"
#include "entrez/HttpTransfer.h"
#include "entrez/RequestSequence.h"
#include "entrez/RetryPolicy.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QStringList>

#include <utility>

// The kinds of ids PMC's ID converter turns into each other.
enum class ArticleIdType { Pmid, Pmcid, Doi };

// One article as the converter knows it; empty where it has no such id (an
// article in PMC but not in PubMed has no PMID).
struct ConvertedIds
{
    QString requested;
    QString pmid;
    QString pmcid;
    QString doi;
};

// How an id is compared: a DOI case-blind, a PMCID in capitals, a PMID as digits.
QString articleIdKey(ArticleIdType type, const QString &id);

// Requests for `ids`, all of `type` (the converter takes one kind a request),
// at most kIdConverterMaxIds each, asking for JSON; tool=vexmoor and the
// contact address when given, never the API key.
QList<EutilsRequest> idConverterRequests(const Endpoints &endpoints, ArticleIdType type, const QStringList &ids,
                                         const QString &email);

// A converter answer read, JSON or XML (the service's two formats): a record
// for every id it knows; a record in error ("Identifier not found in PMC") is
// left out, as is an id that is no PMID, PMCID or DOI. The reason when the
// body is no such answer.
struct IdConverterAnswer
{
    QList<ConvertedIds> records;
    QString error;
};
IdConverterAnswer idConverterAnswerFrom(const QByteArray &body);

// Converts ids of any kind through PMC's ID converter: each kind in requests
// of up to kIdConverterMaxIds, one after another, paced on the converter's
// host. finished() gives what it knows by articleIdKey() of each id asked;
// what it does not know is absent. The converter knows only articles in PMC.
class IdConversion : public QObject
{
    Q_OBJECT

public:
    using Ids = QList<std::pair<ArticleIdType, QString>>;

    explicit IdConversion(const Endpoints &endpoints = {}, QObject *parent = nullptr);

    void setEmail(const QString &email) { m_email = email; }
    void setLimits(const TransferLimits &limits) { m_requests.setLimits(limits); }
    void setRetryPolicy(const RetryPolicy &policy) { m_requests.setRetryPolicy(policy); }

    // False while one runs; no ids finish at once, empty.
    bool start(const Ids &ids);
    void cancel() { m_requests.cancel(); }
    bool isRunning() const { return m_requests.isRunning(); }

signals:
    void retryScheduled(int seconds);
    void finished(const QHash<QString, ConvertedIds> &known);
    void failed(const QString &reason);

private:
    Endpoints m_endpoints;
    QString m_email;
    RequestSequence m_requests;
    // The kind each answered record is keyed by, request by request.
    QList<ArticleIdType> m_types;
    qsizetype m_answered = 0;
    QHash<QString, ConvertedIds> m_known;
};
