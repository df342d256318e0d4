// Broken networks and hostile servers, through the fake server: every fault
// must end in one clear failure, soon, with nothing held on to.
#include "FakeEutilsServer.h"
#include "NetworkFaults.h"
#include "entrez/ArticleDownload.h"
#include "entrez/BlockingFetcher.h"

#include <QScopeGuard>
#include <QSignalSpy>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QTest>

namespace {

constexpr int kShortTimeoutMs = 1500;
// Long enough that a fault which should fail at once cannot pass by timing out.
constexpr int kGenerousTimeoutMs = 20000;

const QString kESearchPath = QLatin1String(Paths::ESearch);
const QString kEFetchPath = QUrl(QLatin1String(Paths::EFetch)).path();
} // namespace

class TransferFaultTest : public QObject
{
    Q_OBJECT

    static int timeoutFor(const NetworkFault &fault) { return fault.timesOut ? kShortTimeoutMs : kGenerousTimeoutMs; }

private slots:
    void blockingFetchFails_data() { addNetworkFaultRows(); }
    void blockingFetchFails()
    {
        const NetworkFault fault = currentNetworkFault();
        FakeEutilsServer server;
        QVERIFY(server.isListening());
        arrangeFault(server, kESearchPath, fault);

        BlockingFetcher fetcher;
        fetcher.setLimits({timeoutFor(fault), kMaxAnswerBytes});
        const FetchResult result = fetcher.get(QUrl(server.origin().toString() + kESearchPath + QStringLiteral("?term=x")));
        QVERIFY2(!result.ok(), qPrintable(QStringLiteral("%1 bytes, %2 requests").arg(result.body.size()).arg(server.requestTargets().size())));
        QVERIFY(result.body.isEmpty());
        checkFailureReason(fault, result.error);
    }

    void articleDownloadFails_data() { addNetworkFaultRows(); }
    void articleDownloadFails()
    {
        const NetworkFault fault = currentNetworkFault();
        const int timeoutMs = timeoutFor(fault);
        FakeEutilsServer server;
        QVERIFY(server.isListening());
        arrangeFault(server, kEFetchPath, fault);

        ArticleDownload download(server.endpoints());
        download.setLimits({timeoutMs, kMaxAnswerBytes});
        // A busy answer is asked again: after 5 ms instead of each second.
        download.setRetryPolicy({3, 30, 5});
        QSignalSpy failed(&download, &ArticleDownload::failed);
        QSignalSpy finished(&download, &ArticleDownload::finished);
        QVERIFY(download.start({QStringLiteral("1"), QStringLiteral("2")}));
        QVERIFY(download.isRunning());
        QVERIFY(failed.wait(timeoutMs + 5000));
        QVERIFY(!download.isRunning());
        checkFailureReason(fault, failed.at(0).at(0).toString());
        QVERIFY2(failed.at(0).at(1).toString().contains(QLatin1String("efetch.fcgi")), qPrintable(failed.at(0).at(1).toString()));
        // Exactly one ending.
        QTest::qWait(200);
        QCOMPARE(failed.size(), 1);
        QCOMPARE(finished.size(), 0);
    }

    // A server that sends a byte now and then never lets the idle timeout
    // fire; the deadline ends the request, saying so, and is not retried
    // whatever status came first. A download's deadline grows with its batch.
    void tricklingAnswerMeetsTheDeadline_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("articles"); // 0: the blocking fetch
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("error");  // empty: the answer arrives
        QTest::newRow("blocking fetch") << kESearchPath << 0 << 200 << "the answer did not arrive in full within 1 s";
        QTest::newRow("download of 2") << kEFetchPath << 2 << 200 << "the answer did not arrive in full within 1.2 s";
        QTest::newRow("download of 2, busy") << kEFetchPath << 2 << 503 << "the answer did not arrive in full within 1.2 s";
        QTest::newRow("download of 60") << kEFetchPath << 60 << 200 << QString();
    }
    void tricklingAnswerMeetsTheDeadline()
    {
        QFETCH(QString, path);
        QFETCH(int, articles);
        QFETCH(int, status);
        QFETCH(QString, error);
        FakeEutilsServer server;
        server.setHandler(path, [status](const QUrl &) {
            // A byte every 0.2 s, about 3 s in all.
            FakeResponse trickle = FakeResponse::withDelivery(FakeResponse::Delivery::Chunks, QByteArray(16, 'x'));
            trickle.status = status;
            trickle.chunkSizes = QList<qsizetype>(15, 1);
            trickle.chunkIntervalMs = 200;
            return trickle;
        });
        const TransferLimits limits{1000, kMaxAnswerBytes, 1000};
        QString reason;
        if (articles == 0) {
            BlockingFetcher fetcher;
            fetcher.setLimits(limits);
            reason = fetcher.get(QUrl(server.origin().toString() + path)).error;
        } else {
            ArticleDownload download(server.endpoints());
            download.setLimits(limits);
            QSignalSpy failed(&download, &ArticleDownload::failed);
            QStringList pmids;
            for (int i = 1; i <= articles; ++i)
                pmids.append(QString::number(i));
            QVERIFY(download.start(pmids));
            QVERIFY(QTest::qWaitFor([&] { return !download.isRunning(); }, 20000));
            if (!failed.isEmpty())
                reason = failed.at(0).at(0).toString();
        }
        QCOMPARE(reason, error);
        QCOMPARE(server.requests().size(), 1);
    }

    // An answer without Content-Length that grows past the limit is cut off
    // while it arrives.
    void growingAnswerIsCutOffAtTheLimit()
    {
        FakeEutilsServer server;
        server.setHandler(kESearchPath, [](const QUrl &) {
            return FakeResponse::withDelivery(FakeResponse::Delivery::CloseDelimited, QByteArray(64 * 1024, 'x'));
        });
        BlockingFetcher fetcher;
        fetcher.setLimits({kGenerousTimeoutMs, 16 * 1024});
        const FetchResult result = fetcher.get(QUrl(server.origin().toString() + kESearchPath));
        QVERIFY(!result.ok());
        QVERIFY2(result.error.contains(QLatin1String("larger than the limit of 16384 bytes")), qPrintable(result.error));

        fetcher.setLimits({kGenerousTimeoutMs, 64 * 1024});
        const FetchResult fits = fetcher.get(QUrl(server.origin().toString() + kESearchPath));
        QVERIFY2(fits.ok(), qPrintable(fits.error));
        QCOMPARE(fits.body.size(), 64 * 1024);
    }

    // A server whose certificate nobody vouches for is refused, however good
    // its answer. (Once trusted, the same server answers: see the redirect test.)
    void untrustedCertificateFails()
    {
        FakeEutilsServer server(FakeEutilsServer::Transport::Tls);
        QVERIFY(server.isListening());
        server.serveVersionPage("10");
        BlockingFetcher fetcher;
        fetcher.setLimits({kGenerousTimeoutMs, kMaxAnswerBytes});
        const FetchResult result = fetcher.get(QUrl(server.origin().toString() + QLatin1String(Paths::VersionPage)));
        QVERIFY(!result.ok());
        QVERIFY2(result.error.contains(QLatin1String("certificate"), Qt::CaseInsensitive), qPrintable(result.error));
        QCOMPARE(server.requestTargets().size(), 0);
    }

    // The fake redirects from HTTPS to plain HTTP; that is never followed. The
    // TLS server is trusted here, and its one request shows that it answers.
    void redirectFromHttpsToHttpIsRefused()
    {
        FakeEutilsServer plain;
        plain.serveVersionPage("10");
        FakeEutilsServer tls(FakeEutilsServer::Transport::Tls);
        tls.setHandler(QLatin1String(Paths::VersionPage), [&](const QUrl &) {
            return FakeResponse::redirect(plain.origin().toString() + QLatin1String(Paths::VersionPage));
        });
        const QSslConfiguration original = QSslConfiguration::defaultConfiguration();
        QSslConfiguration trusting = original;
        trusting.addCaCertificates(QSslCertificate::fromData(FakeEutilsServer::tlsCertificatePem()));
        QSslConfiguration::setDefaultConfiguration(trusting);
        const auto restore = qScopeGuard([&] { QSslConfiguration::setDefaultConfiguration(original); });
        BlockingFetcher fetcher;
        const FetchResult result = fetcher.get(QUrl(tls.origin().toString() + QLatin1String(Paths::VersionPage)));
        QVERIFY(!result.ok());
        QCOMPARE(tls.requestCount(QLatin1String(Paths::VersionPage)), 1);
        QCOMPARE(plain.requestCount(QLatin1String(Paths::VersionPage)), 0);
    }
};

QTEST_GUILESS_MAIN(TransferFaultTest)
#include "TransferFaultTest.moc"
