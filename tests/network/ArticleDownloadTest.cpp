// The EFetch transfer: its request, its progress estimate, and the rules of a
// single transfer (one at a time, silence after cancel, redirects).
#include "FakeEutilsServer.h"
#include "TestData.h"
#include "entrez/ArticleDownload.h"
#include "entrez/ArticleExtractor.h"

#include <QSignalSpy>
#include <QTest>

namespace {
const QString kPath = QUrl(QLatin1String(Paths::EFetch)).path();
constexpr int kWaitMs = 10000;
} // namespace

class ArticleDownloadTest : public QObject
{
    Q_OBJECT

private slots:
    void progressEstimate_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<int>("pmids");
        QTest::addColumn<double>("expected");
        QTest::newRow("all of 20 records") << qint64(191140) << 20 << 100.0;
        // Not clamped; and computed in single precision: 191141/191140*100 in
        // float is 100.000526... (a double would give 100.000523...).
        QTest::newRow("past the estimate") << qint64(191141) << 20 << 100.00052642822266;
        QTest::newRow("one byte of one record") << qint64(1) << 1 << 0.0104635339230299; // double: 0.01046353458...
    }
    void progressEstimate()
    {
        QFETCH(qint64, bytes);
        QFETCH(int, pmids);
        QFETCH(double, expected);
        QCOMPARE(downloadProgress(bytes, pmids), expected);
    }

    // The first answer is a redirect back to the same request, with a body of
    // its own: only the body after the redirect is handed on.
    void redirectEmptiesTheBuffer()
    {
        FakeEutilsServer server;
        server.enqueue(kPath, FakeResponse::redirect(server.origin().toString() + kPath, 307));
        server.enqueue(kPath, FakeResponse::xml("<PubmedArticleSet/>"));
        ArticleDownload download(server.endpoints());
        QSignalSpy started(&download, &ArticleDownload::responseStarted);
        QSignalSpy finished(&download, &ArticleDownload::finished);
        QVERIFY(download.start({QStringLiteral("1")}));
        QVERIFY(finished.wait(kWaitMs));
        QCOMPARE(download.takeBody(), QByteArray("<PubmedArticleSet/>"));
        QVERIFY(started.size() >= 2);
        QCOMPARE(server.requests().size(), 2);
        QCOMPARE(server.requests().at(1).method, QByteArray("POST"));
        QCOMPARE(server.requests().at(1).body, server.requests().at(0).body);
    }

    // The request carries the key: a redirect to another host is a failure,
    // and nothing is sent there.
    void redirectToAnotherHostIsRefused()
    {
        FakeEutilsServer server;
        FakeEutilsServer other;
        QUrl elsewhere = other.origin();
        elsewhere.setHost(QStringLiteral("localhost"));
        server.enqueue(kPath, FakeResponse::redirect(elsewhere.toString() + kPath, 307));
        ArticleDownload download(server.endpoints());
        download.setIdentity({QStringLiteral("secret-key"), QString()});
        QSignalSpy failed(&download, &ArticleDownload::failed);
        QVERIFY(download.start({QStringLiteral("1")}));
        QVERIFY(failed.wait(kWaitMs));
        QCOMPARE(failed.at(0).at(0).toString(),
                 "the service redirected the request to another address (" + elsewhere.toString() + "), which is not followed");
        QCOMPARE(other.requests().size(), 0);
    }

    // Read while it arrives, a long answer in many chunks gives the records
    // the whole answer gives, and its bytes are not kept; what a transfer cut
    // short had read does not mix into the next one.
    void readsArticlesWhileReceiving()
    {
        READ_TEST_DATA(answer, QStringLiteral(VEXMOOR_TESTDATA_DIR "/efetch/pubmed_result_93_articles.xml"));
        const std::string base = "https://eutils.example/elink?x=1";
        ArticleList expected;
        QCOMPARE(appendArticlesFromBytes(answer, expected, base), qsizetype(93));

        FakeEutilsServer server;
        server.enqueue(kPath, FakeResponse::withDelivery(FakeResponse::Delivery::CutShort, answer));
        FakeResponse chunks = FakeResponse::xml(answer);
        chunks.delivery = FakeResponse::Delivery::Chunks;
        chunks.chunkSizes = QList<qsizetype>(20, 65536);
        chunks.chunkIntervalMs = 5;
        server.enqueue(kPath, chunks);
        ArticleDownload download(server.endpoints());
        download.readArticlesWhileReceiving(base);
        QSignalSpy finished(&download, &ArticleDownload::finished);
        QSignalSpy failed(&download, &ArticleDownload::failed);
        QVERIFY(download.start({QStringLiteral("1")}));
        QVERIFY(failed.wait(kWaitMs));
        QVERIFY(download.start({QStringLiteral("1")}));
        QVERIFY(finished.wait(kWaitMs));
        QVERIFY(download.takeBody().isEmpty());
        ArticleList records{expected.first()};
        QCOMPARE(download.takeArticles(records), qsizetype(93));
        QCOMPARE(records.size(), 94);
        for (qsizetype i = 0; i < 93; ++i) {
            for (int k = 0; k < ArticleRecord::KeyCount; ++k)
                QCOMPARE(records[i + 1].utf8(ArticleRecord::Key(k)), expected[i].utf8(ArticleRecord::Key(k)));
        }
        // Taken once.
        QCOMPARE(download.takeArticles(records), qsizetype(0));
        QCOMPARE(records.size(), 94);
    }

    void secondStartIsRefusedWhileOneRuns()
    {
        FakeEutilsServer server;
        FakeResponse slow = FakeResponse::xml("<PubmedArticleSet/>");
        slow.delayMs = 300;
        server.enqueue(kPath, slow);
        ArticleDownload download(server.endpoints());
        QSignalSpy finished(&download, &ArticleDownload::finished);
        QSignalSpy failed(&download, &ArticleDownload::failed);
        QVERIFY(!download.start({}));
        QVERIFY(download.start({QStringLiteral("1")}));
        QVERIFY(!download.start({QStringLiteral("2")}));
        QVERIFY(finished.wait(kWaitMs));
        QCOMPARE(server.requests().size(), 1);
        QCOMPARE(FakeEutilsServer::requestedIds(server.requests().first().url), QStringList{QStringLiteral("1")});
        QCOMPARE(failed.size(), 0);
        // Free again once it ended. The PMIDs in the order given, as one
        // comma-separated id= in the body of a POST.
        server.serveEfetch();
        const QStringList pmids = {QStringLiteral("9997"), QStringLiteral("12091962"), QStringLiteral("2")};
        QVERIFY(download.start(pmids));
        QVERIFY(finished.wait(kWaitMs));
        QCOMPARE(download.takeBody(), FakeEutilsServer::efetchAnswer(pmids));
        const FakeRequest request = server.requests().value(1);
        QCOMPARE(request.method, QByteArray("POST"));
        QCOMPARE(request.target, kPath);
        QCOMPARE(request.body, QByteArray("db=pubmed&rettype=xml&retmode=xml&id=9997,12091962,2&tool=vexmoor"));
    }

    void nothingIsEmittedAfterCancel()
    {
        FakeEutilsServer server;
        FakeResponse slow = FakeResponse::xml(QByteArray(50000, 'x')); // 1000 bytes, then the rest 300 ms later
        slow.delivery = FakeResponse::Delivery::Chunks;
        slow.chunkSizes = {1000};
        slow.chunkIntervalMs = 300;
        server.enqueue(kPath, slow);
        ArticleDownload download(server.endpoints());
        QSignalSpy progress(&download, &ArticleDownload::progress);
        QSignalSpy finished(&download, &ArticleDownload::finished);
        QSignalSpy failed(&download, &ArticleDownload::failed);
        QVERIFY(download.start({QStringLiteral("1")}));
        QVERIFY(progress.wait(kWaitMs));
        download.cancel();
        QVERIFY(!download.isRunning());
        const qsizetype progressSeen = progress.size();
        QTest::qWait(800);
        QCOMPARE(progress.size(), progressSeen);
        QCOMPARE(finished.size(), 0);
        QCOMPARE(failed.size(), 0);
    }

    // A request that cannot even be sent still ends in failed(), never in silence.
    void unstartableTransferReportsFailure()
    {
        Endpoints endpoints;
        endpoints.eutils = QUrl(QStringLiteral("gopher://127.0.0.1:1"));
        ArticleDownload download(endpoints);
        QSignalSpy failed(&download, &ArticleDownload::failed);
        QVERIFY(download.start({QStringLiteral("1")}));
        QVERIFY(failed.wait(kWaitMs));
        QVERIFY(!failed.at(0).at(0).toString().isEmpty());
        QVERIFY(failed.at(0).at(1).toString().startsWith(QLatin1String("gopher://")));
        QVERIFY(!download.isRunning());
    }
};

QTEST_GUILESS_MAIN(ArticleDownloadTest)
#include "ArticleDownloadTest.moc"
