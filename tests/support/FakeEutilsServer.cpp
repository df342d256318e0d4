#include "FakeEutilsServer.h"
#include "TestData.h"

#include "entrez/RequestLimiter.h"

#include <QDir>
#include <QHostAddress>
#include <QPointer>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QRegularExpression>
#include <QUrlQuery>

#include <sys/socket.h>

#include <algorithm>
#include <optional>

namespace {

// A file the fake needs; one that cannot be read fails the running test.
QByteArray readFile(const QString &path)
{
    return readTestData(path).value_or(QByteArray());
}

QByteArray usualReasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 307: return "Temporary Redirect";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 414: return "URI Too Long";
    case 429: return "Too Many Requests";
    case 500: return "Internal Server Error";
    case 502: return "Bad Gateway";
    case 503: return "Service Unavailable";
    case 504: return "Gateway Timeout";
    default: return "Status";
    }
}

// One real record of the test data, with the span of its PMID text.
struct PoolRecord
{
    QByteArray text;
    qsizetype pmidFrom = 0;
    qsizetype pmidLength = 0;
    QByteArray pmid() const { return text.mid(pmidFrom, pmidLength); }
};

// Records of the small EFetch samples, in file-name order. The 1.8 MB
// single-record sample would make every generated answer huge, and the book
// sample holds no PubmedArticle.
const QList<PoolRecord> &recordPool()
{
    static const QList<PoolRecord> pool = [] {
        QList<PoolRecord> records;
        const QDir dir(QStringLiteral(VEXMOOR_TESTDATA_DIR "/efetch"));
        const QStringList files = dir.entryList({QStringLiteral("*.xml")}, QDir::Files, QDir::Name);
        for (const QString &name : files) {
            if (name == QLatin1String("ncbi_cxx_pubmed33761533.xml"))
                continue;
            const QByteArray xml = readFile(dir.filePath(name));
            static const QByteArray open = "<PubmedArticle>", close = "</PubmedArticle>";
            for (qsizetype from = xml.indexOf(open); from >= 0; from = xml.indexOf(open, from)) {
                const qsizetype end = xml.indexOf(close, from);
                if (end < 0)
                    break;
                PoolRecord record;
                record.text = xml.mid(from, end + close.size() - from);
                const qsizetype tag = record.text.indexOf("<PMID");
                record.pmidFrom = record.text.indexOf('>', tag) + 1;
                record.pmidLength = record.text.indexOf("</PMID>", record.pmidFrom) - record.pmidFrom;
                records.append(record);
                from = end;
            }
        }
        return records;
    }();
    return pool;
}

QByteArray headerBlock(const FakeResponse &response, std::optional<qint64> contentLength, bool keepAlive)
{
    const QByteArray phrase = response.reasonPhrase.isEmpty() ? usualReasonPhrase(response.status) : response.reasonPhrase;
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + phrase + "\r\n";
    if (!response.contentType.isEmpty())
        head += "Content-Type: " + response.contentType + "\r\n";
    if (contentLength)
        head += "Content-Length: " + QByteArray::number(*contentLength) + "\r\n";
    head += keepAlive ? "Connection: keep-alive\r\n" : "Connection: close\r\n";
    for (const auto &[name, value] : response.headers)
        head += name + ": " + value + "\r\n";
    return head + "\r\n";
}

// A close that the peer sees as a reset, not as the end of the body.
void resetConnection(QTcpSocket *socket)
{
    const linger hard{1, 0};
    ::setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    socket->abort();
}

} // namespace

FakeResponse FakeResponse::xml(const QByteArray &body)
{
    FakeResponse response;
    response.body = body;
    return response;
}

FakeResponse FakeResponse::html(int status, const QByteArray &body)
{
    FakeResponse response;
    response.status = status;
    response.contentType = "text/html; charset=UTF-8";
    response.body = body;
    return response;
}

FakeResponse FakeResponse::tooManyRequests(std::optional<int> retryAfterSeconds)
{
    FakeResponse response;
    response.status = 429;
    response.contentType = "application/json";
    response.body = R"({"error":"API rate limit exceeded","api-key":"192.0.2.1","count":"4","limit":"3"})" "\n";
    if (retryAfterSeconds)
        response.headers.append({"Retry-After", QByteArray::number(*retryAfterSeconds)});
    return response;
}

FakeResponse FakeResponse::serverError(int status)
{
    const QByteArray title = QByteArray::number(status) + ' ' + usualReasonPhrase(status);
    return html(status, "<!DOCTYPE html>\n<html><head><title>" + title + "</title></head><body><h1>" + title
                            + "</h1><p>The server could not answer your request.</p></body></html>\n");
}

FakeResponse FakeResponse::redirect(const QString &location, int status)
{
    FakeResponse response = html(status, "<html><body>Moved here: " + location.toUtf8() + "</body></html>\n");
    // On a connection kept open after a redirect, the network layer of the
    // client may race and send the redirected request a second time on a
    // fresh connection; closing makes the sequence of requests predictable.
    response.closeConnection = true;
    response.headers.append(std::pair<QByteArray, QByteArray>("Location", location.toUtf8()));
    return response;
}

FakeResponse FakeResponse::withDelivery(Delivery delivery, const QByteArray &body)
{
    FakeResponse response = xml(body);
    response.delivery = delivery;
    return response;
}

struct FakeEutilsServer::Connection
{
    QPointer<QTcpSocket> socket;
    QByteArray buffer;
    bool busy = false;       // a response is being delivered; later requests wait
    bool closeAfter = false; // the client asked to close after this response
};

FakeEutilsServer::FakeEutilsServer(Transport transport, QObject *parent)
    : QObject(parent)
    , m_transport(transport)
{
    if (transport == Transport::Tls) {
        auto server = std::make_unique<QSslServer>();
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        config.setLocalCertificate(QSslCertificate(tlsCertificatePem()));
        config.setPrivateKey(QSslKey(readFile(QStringLiteral(VEXMOOR_TESTSUPPORT_DATA_DIR "/fake-server.key")), QSsl::Rsa));
        config.setPeerVerifyMode(QSslSocket::VerifyNone);
        server->setSslConfiguration(config);
        m_server = std::move(server);
    } else {
        m_server = std::make_unique<QTcpServer>();
    }
    // A TLS connection becomes pending only once its handshake is done.
    connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, this, &FakeEutilsServer::onNewConnection);
    m_server->listen(QHostAddress::LocalHost, 0);
    m_port = m_server->serverPort();
}

FakeEutilsServer::~FakeEutilsServer() = default;

bool FakeEutilsServer::isListening() const
{
    return m_server->isListening();
}

quint16 FakeEutilsServer::port() const
{
    return m_port;
}

QUrl FakeEutilsServer::origin() const
{
    QUrl url;
    url.setScheme(m_transport == Transport::Tls ? QStringLiteral("https") : QStringLiteral("http"));
    url.setHost(QStringLiteral("127.0.0.1"));
    url.setPort(port());
    return url;
}

Endpoints FakeEutilsServer::endpoints() const
{
    Endpoints endpoints;
    endpoints.eutils = origin();
    endpoints.home = origin();
    endpoints.pointServicesAt(origin());
    return endpoints;
}

void FakeEutilsServer::enqueue(const QString &path, const FakeResponse &response)
{
    enqueue(path, [response](const QUrl &) { return response; });
}

void FakeEutilsServer::enqueue(const QString &path, Handler handler)
{
    m_queued[path].enqueue(std::move(handler));
}

void FakeEutilsServer::enqueueWhere(const QString &path, std::function<bool(const QUrl &)> matches,
                                    const FakeResponse &response)
{
    m_queuedWhere.append({path, std::move(matches), response});
}

void FakeEutilsServer::setHandler(const QString &path, Handler handler)
{
    m_handlers.insert(path, std::move(handler));
}

void FakeEutilsServer::serveEsearch(int count)
{
    setHandler(QLatin1String(Paths::ESearch), [count](const QUrl &url) {
        const QUrlQuery query(url);
        return FakeResponse::xml(esearchAnswer(count, query.queryItemValue(QStringLiteral("retstart")).toInt(),
                                               query.queryItemValue(QStringLiteral("retmax")).toInt()));
    });
}

void FakeEutilsServer::serveEfetch()
{
    setHandler(QLatin1String(Paths::EFetch), [](const QUrl &url) {
        return FakeResponse::xml(efetchAnswer(requestedIds(url)));
    });
}

namespace {
QByteArray fakeLinkSetDb(const QString &linkName, const QStringList &linked, bool scores)
{
    QByteArray text = "<LinkSetDb><DbTo>pubmed</DbTo><LinkName>" + linkName.toLatin1() + "</LinkName>";
    for (qsizetype i = 0; i < linked.size(); ++i)
        text += "<Link><Id>" + linked.at(i).toLatin1() + "</Id>"
                + (scores ? "<Score>" + QByteArray::number(1000 - i) + "</Score>" : QByteArray()) + "</Link>";
    return text + "</LinkSetDb>";
}
} // namespace

void FakeEutilsServer::serveElink(std::function<QStringList(const QString &, const QString &)> linkedTo)
{
    setHandler(QLatin1String(Paths::ELinkService), [linkedTo](const QUrl &url) {
        const QUrlQuery query(url);
        const QString asked = query.queryItemValue(QStringLiteral("linkname"));
        const QStringList linkNames = asked.isEmpty()
            ? QStringList{QStringLiteral("pubmed_pubmed"), QStringLiteral("pubmed_pubmed_citedin"), QStringLiteral("pubmed_pubmed_refs")}
            : QStringList{asked};
        const bool scores = query.queryItemValue(QStringLiteral("cmd")) == QLatin1String("neighbor_score");
        QByteArray answer = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<eLinkResult>";
        for (const QString &value : query.allQueryItemValues(QStringLiteral("id"))) {
            const QStringList pmids = value.split(QLatin1Char(','));
            answer += "<LinkSet><DbFrom>pubmed</DbFrom><IdList><Id>" + pmids.join(QStringLiteral("</Id><Id>")).toLatin1() + "</Id></IdList>";
            if (pmids.contains(QStringLiteral("0"))) {
                answer += "<ERROR>Invalid uid 0 at position=0</ERROR></LinkSet>";
                continue;
            }
            for (const QString &linkName : linkNames) {
                // Like the service's, a similar list starts with the articles asked about.
                QStringList linked = linkName == QLatin1String("pubmed_pubmed") ? pmids : QStringList();
                for (const QString &pmid : pmids) {
                    for (const QString &link : linkedTo(pmid, linkName)) {
                        if (!linked.contains(link))
                            linked.append(link);
                    }
                }
                answer += fakeLinkSetDb(linkName, linked, scores);
            }
            answer += "</LinkSet>";
        }
        return FakeResponse::xml(answer + "</eLinkResult>\n");
    });
}

QStringList FakeEutilsServer::requestedIds(const QUrl &url)
{
    QStringList ids;
    for (const QString &value : QUrlQuery(url).allQueryItemValues(QStringLiteral("id")))
        ids += value.split(QLatin1Char(','), Qt::SkipEmptyParts);
    return ids;
}

void FakeEutilsServer::serveEsearchOf(const QList<qint64> &pmids)
{
    setHandler(QLatin1String(Paths::ESearch), [pmids](const QUrl &url) {
        const QUrlQuery query(url);
        const QString term = query.queryItemValue(QStringLiteral("term"), QUrl::FullyDecoded);
        static const QRegularExpression range(QStringLiteral(" AND (\\d+):(\\d+)\\[uid\\]$"));
        QList<qint64> matches = pmids;
        if (const QRegularExpressionMatch m = range.match(term); m.hasMatch()) {
            const qint64 low = m.captured(1).toLongLong(), high = m.captured(2).toLongLong();
            matches.removeIf([=](qint64 pmid) { return pmid < low || pmid > high; });
        }
        return FakeResponse::xml(esearchAnswer(int(matches.size()), query.queryItemValue(QStringLiteral("retstart")).toInt(),
                                               query.queryItemValue(QStringLiteral("retmax")).toInt(),
                                               [&](int position) { return QString::number(matches.at(position)); }));
    });
}

void FakeEutilsServer::enforceRateLimit(std::optional<int> retryAfterSeconds)
{
    m_rateLimit = retryAfterSeconds;
}

std::optional<FakeResponse> FakeEutilsServer::serviceRefusal(const FakeRequest &request) const
{
    if (request.method == "GET" && request.target.size() > kMaxGetTargetLength)
        return FakeResponse::html(414, "<html><body>Request-URI Too Long</body></html>\n");
    if (!m_rateLimit)
        return std::nullopt;
    const bool keyed = QUrlQuery(request.url).hasQueryItem(QStringLiteral("api_key"));
    const int limit = keyed ? kEutilsRequestsPerSecondWithKey : kEutilsRequestsPerSecond;
    const auto within = std::count_if(m_requests.begin(), m_requests.end(), [&](const FakeRequest &earlier) {
        return earlier.arrivalMs > request.arrivalMs - 1000;
    });
    if (within <= limit)
        return std::nullopt;
    FakeResponse refusal;
    refusal.status = 429;
    refusal.contentType = "application/json";
    refusal.body = R"({"error":"API rate limit exceeded","api-key":"127.0.0.1","count":")" + QByteArray::number(within)
        + R"(","limit":")" + QByteArray::number(limit) + "\"}\n";
    if (*m_rateLimit)
        refusal.headers.append({"Retry-After", QByteArray::number(**m_rateLimit)});
    return refusal;
}

int FakeEutilsServer::mostRequestsWithin(int windowMs) const
{
    int most = 0;
    for (qsizetype last = 0; last < m_requests.size(); ++last) {
        int inWindow = 0;
        for (qsizetype i = last; i >= 0 && m_requests.at(i).arrivalMs > m_requests.at(last).arrivalMs - windowMs; --i)
            ++inWindow;
        most = std::max(most, inWindow);
    }
    return most;
}

void FakeEutilsServer::serveVersionPage(const QByteArray &title)
{
    setHandler(QLatin1String(Paths::VersionPage), [title](const QUrl &) {
        return FakeResponse::html(200, versionPage(title));
    });
}

void FakeEutilsServer::refuseConnections()
{
    m_server->close();
    for (QTcpSocket *socket : m_server->findChildren<QTcpSocket *>())
        socket->abort();
}

QList<QUrl> FakeEutilsServer::requestUrls() const
{
    QList<QUrl> urls;
    for (const QString &target : m_targets)
        urls.append(QUrl(origin().toString() + target));
    return urls;
}

int FakeEutilsServer::requestCount(const QString &path) const
{
    const QString query = path + QLatin1Char('?');
    return int(std::count_if(m_targets.begin(), m_targets.end(),
                             [&](const QString &target) { return target == path || target.startsWith(query); }));
}

FakeRequest FakeEutilsServer::lastRequestTo(const QString &path) const
{
    const auto last = std::find_if(m_requests.crbegin(), m_requests.crend(),
                                   [&path](const FakeRequest &request) { return request.url.path() == path; });
    return last == m_requests.crend() ? FakeRequest() : *last;
}

QString FakeEutilsServer::fakePmid(int position)
{
    return QString::number(39000001 + position);
}

QByteArray FakeEutilsServer::esearchAnswer(int count, int retStart, int retMax)
{
    return esearchAnswer(count, retStart, retMax, &FakeEutilsServer::fakePmid);
}

QByteArray FakeEutilsServer::esearchAnswer(int count, int retStart, int retMax, const std::function<QString(int)> &pmidAt)
{
    if (retStart > kEsearchRecordLimit - 1) {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n"
               "<!DOCTYPE eSearchResult PUBLIC \"-//NLM//DTD esearch 20060628//EN\" "
               "\"https://eutils.ncbi.nlm.nih.gov/eutils/dtd/20060628/esearch.dtd\">\n"
               "<eSearchResult><ERROR>" + kRetstartError + "</ERROR></eSearchResult>\n";
    }
    QByteArray ids;
    const int served = std::min(count, kEsearchRecordLimit);
    for (int position = std::max(retStart, 0); position < served && position - retStart < retMax; ++position)
        ids += "<Id>" + pmidAt(position).toLatin1() + "</Id>\n";
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n"
           "<!DOCTYPE eSearchResult PUBLIC \"-//NLM//DTD esearch 20060628//EN\" "
           "\"https://eutils.ncbi.nlm.nih.gov/eutils/dtd/20060628/esearch.dtd\">\n"
           "<eSearchResult><Count>"
        + QByteArray::number(count) + "</Count><RetMax>" + QByteArray::number(retMax) + "</RetMax><RetStart>"
        + QByteArray::number(retStart) + "</RetStart><IdList>\n" + ids
        + "</IdList><TranslationSet/><QueryTranslation>fake[All Fields]</QueryTranslation></eSearchResult>\n";
}

QByteArray FakeEutilsServer::efetchAnswer(const QStringList &pmids)
{
    const QList<PoolRecord> &pool = recordPool();
    // Without the test data the answer holds no article, and the test that
    // asked for one fails saying why.
    if (pool.isEmpty() && !pmids.isEmpty())
        failTestOnce(QStringLiteral("no EFetch records to serve in test data " VEXMOOR_TESTDATA_DIR "/efetch"));
    QByteArray records;
    qsizetype next = 0;
    for (const QString &pmid : pmids) {
        if (pool.isEmpty())
            break;
        const QByteArray id = pmid.toLatin1();
        const auto real = std::find_if(pool.begin(), pool.end(), [&](const PoolRecord &r) { return r.pmid() == id; });
        if (real != pool.end()) {
            records += real->text + '\n';
            continue;
        }
        PoolRecord record = pool.at(next++ % pool.size());
        record.text.replace(record.pmidFrom, record.pmidLength, id);
        records += record.text + '\n';
    }
    return "<?xml version=\"1.0\" ?>\n"
           "<!DOCTYPE PubmedArticleSet PUBLIC \"-//NLM//DTD PubMedArticle, 1st January 2025//EN\" "
           "\"https://dtd.nlm.nih.gov/ncbi/pubmed/out/pubmed_250101.dtd\">\n"
           "<PubmedArticleSet>\n"
        + records + "</PubmedArticleSet>\n";
}

QByteArray FakeEutilsServer::briefEfetchAnswer(const QStringList &pmids, int bytesPerRecord)
{
    QByteArray records;
    for (const QString &pmid : pmids) {
        const QByteArray id = pmid.toLatin1();
        QByteArray record = "<PubmedArticle><MedlineCitation><PMID Version=\"1\">" + id
            + "</PMID><Article><ArticleTitle>Record " + id
            + ".</ArticleTitle></Article></MedlineCitation></PubmedArticle>\n";
        if (record.size() < bytesPerRecord)
            record += QByteArray(bytesPerRecord - record.size() - 1, ' ') + '\n';
        records += record;
    }
    return "<?xml version=\"1.0\" ?>\n<PubmedArticleSet>\n" + records + "</PubmedArticleSet>\n";
}

QByteArray FakeEutilsServer::versionPage(const QByteArray &title)
{
    return "<html>\n<head>\n<title>" + title + "</title>\n</head>\n<body>Current version</body>\n</html>\n";
}

quint16 FakeEutilsServer::unusedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

QByteArray FakeEutilsServer::tlsCertificatePem()
{
    return readFile(QStringLiteral(VEXMOOR_TESTSUPPORT_DATA_DIR "/fake-server.crt"));
}

void FakeEutilsServer::onNewConnection()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        ++m_connectionCount;
        auto connection = std::make_shared<Connection>();
        connection->socket = socket;
        connect(socket, &QTcpSocket::readyRead, socket, [this, connection] {
            connection->buffer += connection->socket->readAll();
            processRequests(connection);
        });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        if (socket->bytesAvailable() > 0) {
            connection->buffer += socket->readAll();
            processRequests(connection);
        }
    }
}

void FakeEutilsServer::processRequests(const ConnectionPtr &connection)
{
    while (!connection->busy && connection->socket) {
        QByteArray &buffer = connection->buffer;
        const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
        if (headEnd < 0)
            return;
        const QList<QByteArray> lines = buffer.left(headEnd).split('\n');
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        const QByteArray method = requestLine.value(0);
        qint64 bodyLength = 0;
        bool close = false;
        for (const QByteArray &line : lines.mid(1)) {
            const qsizetype colon = line.indexOf(':');
            const QByteArray name = line.left(colon).trimmed().toLower();
            const QByteArray value = line.mid(colon + 1).trimmed().toLower();
            if (name == "content-length")
                bodyLength = value.toLongLong();
            else if (name == "connection")
                close = value == "close";
        }
        if (buffer.size() < headEnd + 4 + bodyLength)
            return;
        const QByteArray body = buffer.mid(headEnd + 4, bodyLength);
        buffer.remove(0, headEnd + 4 + bodyLength);

        const QString target = QString::fromLatin1(requestLine.value(1));
        m_targets.append(target);
        const QString path = target.section(QLatin1Char('?'), 0, 0);
        QString parameters = target.section(QLatin1Char('?'), 1);
        if (method == "POST" && !body.isEmpty())
            parameters += (parameters.isEmpty() ? QString() : QStringLiteral("&")) + QString::fromLatin1(body);
        const QUrl url(origin().toString() + path + (parameters.isEmpty() ? QString() : QLatin1Char('?') + parameters));
        m_requests.append({method, target, body, RequestLimiter::steadyNowMs(), url});
        Handler handler;
        const auto conditional = std::find_if(m_queuedWhere.begin(), m_queuedWhere.end(), [&](const ConditionalResponse &c) {
            return c.path == path && c.matches(url);
        });
        if (conditional != m_queuedWhere.end()) {
            handler = [response = conditional->response](const QUrl &) { return response; };
            m_queuedWhere.erase(conditional);
        } else if (auto queued = m_queued.find(path); queued != m_queued.end() && !queued->isEmpty())
            handler = queued->dequeue();
        else
            handler = m_handlers.value(path);
        std::optional<FakeResponse> refusal = serviceRefusal(m_requests.last());
        if (refusal && refusal->status == 429)
            ++m_throttled;
        const FakeResponse response = refusal ? *refusal
            : handler                         ? handler(url)
                                              : FakeResponse::html(404, "<html><body>Not Found</body></html>\n");
        connection->busy = true;
        connection->closeAfter = close || response.closeConnection;
        if (response.delayMs > 0) {
            QTimer::singleShot(response.delayMs, connection->socket, [this, connection, response] {
                deliver(connection, response);
            });
        } else {
            deliver(connection, response);
        }
    }
}

void FakeEutilsServer::deliver(const ConnectionPtr &connection, const FakeResponse &response)
{
    QTcpSocket *socket = connection->socket;
    if (!socket)
        return;
    const QByteArray &body = response.body;
    const QByteArray half = body.left(body.size() / 2);
    using Delivery = FakeResponse::Delivery;
    switch (response.delivery) {
    case Delivery::Whole:
        socket->write(headerBlock(response, body.size(), !connection->closeAfter) + body);
        finishResponse(connection);
        break;
    case Delivery::Silent:
        break;
    case Delivery::CutShort:
        socket->write(headerBlock(response, body.size(), true) + half);
        socket->disconnectFromHost();
        break;
    case Delivery::ShortOfItsLength: {
        // Chunked framing ends the body where Qt's HTTP layer sees a complete
        // answer; only the Content-Length beside it says half is missing.
        FakeResponse framed = response;
        framed.headers.append(std::pair<QByteArray, QByteArray>("Transfer-Encoding", "chunked"));
        socket->write(headerBlock(framed, body.size(), false) + QByteArray::number(half.size(), 16) + "\r\n" + half
                      + "\r\n0\r\n\r\n");
        socket->disconnectFromHost();
        break;
    }
    case Delivery::ResetMidBody:
        socket->write(headerBlock(response, body.size(), true) + half);
        socket->flush();
        QTimer::singleShot(100, socket, [socket] { resetConnection(socket); });
        break;
    case Delivery::HugeAnnounced:
        socket->write(headerBlock(response, FakeResponse::kHugeContentLength, true) + half);
        break;
    case Delivery::CloseDelimited:
        socket->write(headerBlock(response, std::nullopt, false) + body);
        socket->disconnectFromHost();
        break;
    case Delivery::Chunks:
        socket->write(headerBlock(response, body.size(), !connection->closeAfter));
        sendChunks(connection, body, response.chunkSizes, response.chunkIntervalMs);
        break;
    }
}

void FakeEutilsServer::sendChunks(const ConnectionPtr &connection, QByteArray rest, QList<qsizetype> sizes, int intervalMs)
{
    QTcpSocket *socket = connection->socket;
    if (!socket)
        return;
    if (sizes.isEmpty()) {
        socket->write(rest);
        finishResponse(connection);
        return;
    }
    const qsizetype size = sizes.takeFirst();
    socket->write(rest.left(size));
    socket->flush();
    rest.remove(0, size);
    QTimer::singleShot(intervalMs, socket, [=, this] { sendChunks(connection, rest, sizes, intervalMs); });
}

void FakeEutilsServer::finishResponse(const ConnectionPtr &connection)
{
    connection->busy = false;
    if (connection->closeAfter) {
        connection->socket->disconnectFromHost();
        return;
    }
    // Requests that arrived meanwhile are answered after the event loop turns,
    // so a long chain of them cannot recurse without bound.
    QTimer::singleShot(0, connection->socket, [this, connection] { processRequests(connection); });
}

void FakeEutilsServer::unpaceRequests()
{
    RequestLimiter::shared().setClock([] {
        static qint64 now = 0;
        return now += 1000;
    });
}
