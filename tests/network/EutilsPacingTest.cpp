// The E-utilities as a busy service: pacing measured from the fake server's
// own log, busy answers asked again, and a cancel that ends every wait.
#include "FakeEutilsServer.h"
#include "entrez/ArticleDownload.h"
#include "entrez/PacedFetcher.h"
#include "entrez/PmidSearch.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {
const QString kEFetch = QLatin1String(Paths::EFetch);
const QString kESearch = QLatin1String(Paths::ESearch);
constexpr int kWaitMs = 10000;
// Retries wait 5 ms per announced second, within an allowance of 300 ms.
const RetryPolicy kQuickRetries{3, 30, 5};
} // namespace

class EutilsPacingTest : public QObject
{
    Q_OBJECT

private slots:
    // ESearch and EFetch requests in turn, as fast as the caller can: the
    // service (enforcing the limit itself) never throttles, and no second of
    // its log holds more than the limit.
    void pacingAcrossEsearchAndEfetch_data()
    {
        QTest::addColumn<QString>("apiKey");
        QTest::addColumn<int>("limit");
        QTest::addColumn<int>("requests");
        QTest::newRow("anonymous") << "" << 3 << 8;
        QTest::newRow("with a key") << "abc123" << 10 << 24;
    }
    void pacingAcrossEsearchAndEfetch()
    {
        QFETCH(QString, apiKey);
        QFETCH(int, limit);
        QFETCH(int, requests);
        FakeEutilsServer server;
        server.serveEsearch(45);
        server.serveEfetch();
        server.enforceRateLimit();
        const EutilsIdentity identity{apiKey, QStringLiteral("me@example.org")};
        PacedFetcher fetcher;
        ArticleDownload download(server.endpoints());
        download.setIdentity(identity);
        QSignalSpy finished(&download, &ArticleDownload::finished);
        for (int i = 0; i < requests; i += 2) {
            const PmidSearchOutcome search = PMIDsForSearchString(fetcher, server.endpoints(), QStringLiteral("x"), i, 2, identity);
            QVERIFY2(search.result, qPrintable(search.error));
            QVERIFY(download.start(search.result->PMIDs));
            QVERIFY(finished.wait(kWaitMs));
        }
        QCOMPARE(server.requests().size(), requests);
        QCOMPARE(server.throttledCount(), 0);
        QCOMPARE(server.mostRequestsWithin(1000), limit);
    }

    // Busy answers are asked again after Retry-After or 1, 2, 4 s, at most
    // three times; the seconds are announced before each wait.
    void busyAnswersAreRetried_data()
    {
        QTest::addColumn<QList<FakeResponse>>("answers");
        QTest::addColumn<QList<int>>("announced");
        QTest::addColumn<QString>("failure"); // empty: the batch arrives
        const FakeResponse throttled = FakeResponse::tooManyRequests();
        QTest::newRow("429 once") << QList<FakeResponse>{throttled} << QList<int>{1} << "";
        QTest::newRow("429 with Retry-After")
            << QList<FakeResponse>{FakeResponse::tooManyRequests(3)} << QList<int>{3} << "";
        QTest::newRow("502, 503, 504 in a row")
            << QList<FakeResponse>{FakeResponse::serverError(502), FakeResponse::serverError(503), FakeResponse::serverError(504)}
            << QList<int>{1, 2, 4} << "";
        QTest::newRow("busy four times: the last failure stands")
            << QList<FakeResponse>{throttled, throttled, throttled, FakeResponse::tooManyRequests(60)} << QList<int>{1, 2, 4}
            << "the service answered HTTP 429 Too Many Requests";
        // 150 ms waits against an allowance of 300 ms.
        QTest::newRow("retries past the allowance")
            << QList<FakeResponse>(4, FakeResponse::tooManyRequests(30)) << QList<int>{30}
            << "the service answered HTTP 429 Too Many Requests";
        QTest::newRow("Retry-After above 30 s") << QList<FakeResponse>{FakeResponse::tooManyRequests(600)} << QList<int>{30} << "";
        QTest::newRow("500 is not retried") << QList<FakeResponse>{FakeResponse::serverError(500)} << QList<int>{}
                                            << "the service answered HTTP 500 Internal Server Error";
    }
    void busyAnswersAreRetried()
    {
        QFETCH(QList<FakeResponse>, answers);
        QFETCH(QList<int>, announced);
        QFETCH(QString, failure);
        FakeEutilsServer server;
        for (const FakeResponse &answer : answers)
            server.enqueue(kEFetch, answer);
        server.serveEfetch();
        ArticleDownload download(server.endpoints());
        download.setRetryPolicy(kQuickRetries);
        QSignalSpy scheduled(&download, &ArticleDownload::retryScheduled);
        QSignalSpy finished(&download, &ArticleDownload::finished);
        QSignalSpy failed(&download, &ArticleDownload::failed);
        QVERIFY(download.start({QStringLiteral("1"), QStringLiteral("2")}));
        QVERIFY(QTest::qWaitFor([&] { return !download.isRunning(); }, kWaitMs));
        QList<int> seen;
        for (const QList<QVariant> &signal : scheduled)
            seen.append(signal.at(0).toInt());
        QCOMPARE(seen, announced);
        QCOMPARE(server.requests().size(), announced.size() + 1);
        // Every attempt is the same request.
        for (const FakeRequest &request : server.requests())
            QCOMPARE(request.body, server.requests().first().body);
        QCOMPARE(finished.size(), failure.isEmpty() ? 1 : 0);
        QCOMPARE(failed.size(), failure.isEmpty() ? 0 : 1);
        if (!failure.isEmpty())
            QCOMPARE(failed.at(0).at(0).toString(), failure);
    }

    // Cancel during a 30 s wait ends it at once: nothing more is asked or
    // emitted, and a blocking ESearch returns as cancelled.
    void cancelEndsTheWait()
    {
        FakeEutilsServer server;
        server.setHandler(kEFetch, [](const QUrl &) { return FakeResponse::tooManyRequests(30); });
        server.setHandler(kESearch, [](const QUrl &) { return FakeResponse::serverError(503); });
        ArticleDownload download(server.endpoints());
        QSignalSpy scheduled(&download, &ArticleDownload::retryScheduled);
        QSignalSpy finished(&download, &ArticleDownload::finished);
        QSignalSpy failed(&download, &ArticleDownload::failed);
        QVERIFY(download.start({QStringLiteral("1")}));
        QVERIFY(scheduled.wait(kWaitMs));
        download.cancel();
        QVERIFY(!download.isRunning());

        PacedFetcher fetcher;
        bool waited = false;
        fetcher.onRetryScheduled([&](int) {
            waited = true;
            QTimer::singleShot(0, [&] { fetcher.cancel(); });
        });
        QElapsedTimer clock;
        clock.start();
        const PmidSearchOutcome search = PMIDsForSearchString(fetcher, server.endpoints(), QStringLiteral("x"), 0, 20);
        QVERIFY(waited);
        QVERIFY(search.canceled);
        QVERIFY(!search.result);
        QVERIFY(clock.elapsed() < 5000);
        QTest::qWait(300);
        QCOMPARE(server.requests().size(), 2);
        QCOMPARE(finished.size(), 0);
        QCOMPARE(failed.size(), 0);
    }

    // Requests cancelled in flight give their places back: three of them must
    // not hold the limit against every later request.
    void cancelledRequestsFreeTheirPlaces()
    {
        FakeEutilsServer server;
        FakeResponse slow = FakeResponse::xml(FakeEutilsServer::efetchAnswer({QStringLiteral("1")}));
        slow.delayMs = 5000;
        for (int i = 0; i < 3; ++i)
            server.enqueue(kEFetch, slow);
        server.serveEfetch();
        std::vector<std::unique_ptr<ArticleDownload>> cancelled;
        for (int i = 0; i < 3; ++i) {
            cancelled.push_back(std::make_unique<ArticleDownload>(server.endpoints()));
            QVERIFY(cancelled.back()->start({QStringLiteral("1")}));
        }
        QVERIFY(QTest::qWaitFor([&] { return server.requests().size() == 3; }, kWaitMs));
        for (const auto &download : cancelled)
            download->cancel();
        QElapsedTimer clock;
        clock.start();
        ArticleDownload next(server.endpoints());
        QVERIFY(next.start({QStringLiteral("1")}));
        QVERIFY(QTest::qWaitFor([&] { return server.requests().size() == 4; }, kWaitMs));
        // Each place frees two windows after its cancel; half a window more for the timers.
        QCOMPARE_LT(clock.elapsed(), 5 * RequestLimiter::shared().windowMs() / 2);
    }
};

QTEST_GUILESS_MAIN(EutilsPacingTest)
#include "EutilsPacingTest.moc"
