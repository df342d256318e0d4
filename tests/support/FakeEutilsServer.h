#pragma once

#include "common/Endpoints.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QQueue>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

class QTcpServer;
class QTcpSocket;

// One answer of the fake server, and how it is delivered.
struct FakeResponse
{
    enum class Delivery {
        Whole,         // status line, headers and the whole body; the connection stays open
        Silent,        // nothing at all; the connection stays open until the client gives up
        CutShort,      // Content-Length of the whole body, only its first half, then a clean close
        ShortOfItsLength, // Content-Length of the whole body, its first half as a complete chunked body, then a clean close
        ResetMidBody,  // Content-Length of the whole body, its first half, then a TCP reset
        HugeAnnounced, // headers announcing kHugeContentLength bytes, then nothing more
        CloseDelimited, // no Content-Length: the body, then a clean close marks its end
        Chunks,        // the body in pieces (chunkSizes, then the rest) with pauses between
    };

    int status = 200;
    QByteArray reasonPhrase;  // the text after the status code; empty: the usual one for the status
    QByteArray contentType = QByteArrayLiteral("text/xml; charset=UTF-8");
    QByteArray body;
    QList<std::pair<QByteArray, QByteArray>> headers; // extra headers, e.g. Location
    Delivery delivery = Delivery::Whole;
    bool closeConnection = false; // "Connection: close", and close after the response (redirects do)
    int delayMs = 0;          // wait before anything is sent
    QList<qsizetype> chunkSizes; // for Chunks: sizes of the first pieces; the rest follows last
    int chunkIntervalMs = 150;   // for Chunks: pause between pieces

    // More than the 512 MiB any answer may have.
    static constexpr qint64 kHugeContentLength = qint64(600) * 1024 * 1024;

    static FakeResponse xml(const QByteArray &body);
    static FakeResponse html(int status, const QByteArray &body);
    // The service's throttling answer: 429 with its JSON body, and a
    // Retry-After header when given.
    static FakeResponse tooManyRequests(std::optional<int> retryAfterSeconds = std::nullopt);
    // An HTML error page with the given status (500, 503, ...).
    static FakeResponse serverError(int status);
    static FakeResponse redirect(const QString &location, int status = 302);
    static FakeResponse withDelivery(Delivery delivery, const QByteArray &body = QByteArrayLiteral("<?xml version=\"1.0\"?><x>partial answer</x>"));
};

// One request as the server received it.
struct FakeRequest
{
    QByteArray method;  // "GET", "POST"
    QString target;     // as on the wire: path and query
    QByteArray body;    // the POST body, empty for a GET
    qint64 arrivalMs;   // RequestLimiter::steadyNowMs() when the whole request was in
    // The target's query and, for a form POST, the body's parameters.
    QUrl url;
};

// A stand-in for the E-utilities service and the home site on 127.0.0.1, on a
// free port, for tests. It speaks enough HTTP/1.1 for QNetworkAccessManager
// (keep-alive, several requests per connection) over plain TCP, or over TLS
// with a self-signed certificate that no client trusts by default.
//
// How a request is answered, first match wins:
//   1. the next response queued for its path with enqueue() (used once);
//   2. the handler set for its path with setHandler() / serveEsearch() /
//      serveEfetch() / serveVersionPage() (used every time);
//   3. otherwise 404.
// Paths are matched without the query ("/entrez/eutils/esearch.fcgi"). A
// handler sees the parameters of a form POST as if they were in the URL.
// Every request is recorded before it is answered. Like the service, the
// server refuses a GET whose target is longer than kMaxGetTargetLength with
// 414 before any handler sees it, and, once enforceRateLimit() was called,
// answers 429 to a request beyond the rate the service allows.
class FakeEutilsServer : public QObject
{
    Q_OBJECT

public:
    enum class Transport { Plain, Tls };
    using Handler = std::function<FakeResponse(const QUrl &requestUrl)>;

    // Starts listening at once; check isListening().
    explicit FakeEutilsServer(Transport transport = Transport::Plain, QObject *parent = nullptr);
    ~FakeEutilsServer() override;

    bool isListening() const;
    quint16 port() const;
    // "http://127.0.0.1:<port>" (or https).
    QUrl origin() const;
    // Endpoints whose E-utilities, home and every other service's hosts are this server.
    Endpoints endpoints() const;

    void enqueue(const QString &path, const FakeResponse &response);
    void enqueue(const QString &path, Handler handler);
    // The first request to `path` that `matches` gets `response`; the others
    // are answered as before, whenever they come.
    void enqueueWhere(const QString &path, std::function<bool(const QUrl &)> matches, const FakeResponse &response);
    void setHandler(const QString &path, Handler handler);

    // ESearch for a query with `count` matches: every request gets the window
    // its retstart and retmax ask for, with the PMIDs fakePmid(position).
    void serveEsearch(int count);
    // The same for a query whose matches are exactly `pmids`, in that order,
    // honouring a PMID range that ends the term ("(q) AND 100:200[uid]").
    void serveEsearchOf(const QList<qint64> &pmids);
    // EFetch built from real records for the requested ids (see efetchAnswer).
    void serveEfetch();
    // ELink as the service answers it: one LinkSet per id= value, holding
    // the links of every PMID in it, in order and each once, under the
    // linkname asked for (without one: similar, cited by and references), a
    // similar list starting with the PMIDs asked about as the service's
    // does; the PMID 0 gets the service's <ERROR> instead. With
    // cmd=neighbor_score the links score 1000, 999, ... in order.
    void serveElink(std::function<QStringList(const QString &pmid, const QString &linkName)> linkedTo);
    // From now on, more than kEutilsRequestsPerSecond requests (with an
    // api_key, kEutilsRequestsPerSecondWithKey) arriving within a second get
    // the service's 429; with `retryAfterSeconds` the 429 carries Retry-After.
    void enforceRateLimit(std::optional<int> retryAfterSeconds = std::nullopt);
    // 429 answers sent so far by the rate limit.
    int throttledCount() const { return m_throttled; }
    // The version page with `title` between <title> and </title>.
    void serveVersionPage(const QByteArray &title);
    // From now on every connection is refused, and the open ones are reset:
    // the service has gone away.
    void refuseConnections();

    // Every request so far, in arrival order: the request target exactly as it
    // came on the wire ("/entrez/eutils/esearch.fcgi?retstart=0&..."), and as URL.
    QStringList requestTargets() const { return m_targets; }
    QList<QUrl> requestUrls() const;
    // Every request so far, in arrival order, with its method, body and time.
    const QList<FakeRequest> &requests() const { return m_requests; }
    // The most requests that arrived within any one window of `windowMs`.
    int mostRequestsWithin(int windowMs) const;
    int requestCount(const QString &path) const;
    // The last request to `path`: the window asks other services too (link
    // counts, full-text sources) whenever a selection rests.
    FakeRequest lastRequestTo(const QString &path) const;
    // Connections accepted so far (a TLS connection counts once its handshake is done).
    int connectionCount() const { return m_connectionCount; }

    // Answer generators, usable without a server.
    static QString fakePmid(int position);
    // The window of a query with `count` matches, as the service serves it:
    // no PMID past the first kEsearchRecordLimit, and its ERROR answer for a
    // retstart beyond them, while Count is always the whole number.
    static QByteArray esearchAnswer(int count, int retStart, int retMax);
    static QByteArray esearchAnswer(int count, int retStart, int retMax, const std::function<QString(int)> &pmidAt);
    static inline const QByteArray kRetstartError =
        "'retstart' cannot be larger than 9998. For PubMed, ESearch can only retrieve the first 9,999 records "
        "matching the query. To obtain more than 9,999 PubMed records, consider using EDirect that contains "
        "additional logic to batch PubMed search results automatically so that an arbitrary number can be retrieved.";
    static constexpr int kMaxGetTargetLength = 4096;
    // A PubmedArticleSet with one real record per requested id, in order: the
    // record with that PMID when the test data hold one, otherwise the next
    // record of the test data with its PMID rewritten to the id.
    static QByteArray efetchAnswer(const QStringList &pmids);
    // A PubmedArticleSet of bare records, one per id in order, each holding
    // only its PMID and a title and padded with layout to at least
    // `bytesPerRecord` bytes: thousands of records in a light answer, or an
    // answer of a chosen size.
    static QByteArray briefEfetchAnswer(const QStringList &pmids, int bytesPerRecord = 0);
    // The PMIDs an EFetch request asks for: every id= value, split at commas.
    static QStringList requestedIds(const QUrl &url);
    static QByteArray versionPage(const QByteArray &title);
    // From now on the process's E-utilities limiter sees a second pass at every
    // look, so that a test of many requests needs no real seconds; the pace
    // itself is the limiter's own test.
    static void unpaceRequests();
    // A port on 127.0.0.1 where nothing listens.
    static quint16 unusedPort();
    // The PEM certificate the TLS variant presents.
    static QByteArray tlsCertificatePem();

private:
    struct Connection;
    using ConnectionPtr = std::shared_ptr<Connection>;
    void onNewConnection();
    void processRequests(const ConnectionPtr &connection);
    void deliver(const ConnectionPtr &connection, const FakeResponse &response);
    void sendChunks(const ConnectionPtr &connection, QByteArray rest, QList<qsizetype> sizes, int intervalMs);
    void finishResponse(const ConnectionPtr &connection);
    // The service's own refusals, before any handler: none when it accepts.
    std::optional<FakeResponse> serviceRefusal(const FakeRequest &request) const;

    Transport m_transport;
    std::unique_ptr<QTcpServer> m_server;
    QHash<QString, QQueue<Handler>> m_queued;
    struct ConditionalResponse
    {
        QString path;
        std::function<bool(const QUrl &)> matches;
        FakeResponse response;
    };
    QList<ConditionalResponse> m_queuedWhere;
    QHash<QString, Handler> m_handlers;
    QStringList m_targets;
    QList<FakeRequest> m_requests;
    std::optional<std::optional<int>> m_rateLimit; // set: enforced, with the Retry-After it gives
    int m_throttled = 0;
    int m_connectionCount = 0;
    quint16 m_port = 0; // kept after refuseConnections()
};
