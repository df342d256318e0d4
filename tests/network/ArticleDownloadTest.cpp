// The EFetch transfer: its request, its progress estimate, and the rules of a
// single transfer (one at a time, silence after cancel, redirects).
#include "FakeEutilsServer.h"
#include "entrez/ArticleDownload.h"

#include <QSignalSpy>
#include <QTest>

namespace {
const QString kPath = QUrl(QLatin1String(Paths::EFetch)).path();
constexpr int kWaitMs = 10000;

QStringList pmidsUpTo(int n)
{
    QStringList pmids;
    for (int i = 1; i <= n; ++i)
        pmids.append(QString::number(i));
    return pmids;
}

// `size` bytes, the first `firstChunk` of them at once, the rest after 300 ms.
FakeResponse slowAnswer(qsizetype size, int firstChunk)
{
    FakeResponse answer = FakeResponse::xml(QByteArray(size, 'x'));
    answer.delivery = FakeResponse::Delivery::Chunks;
    answer.chunkSizes = {firstChunk};
    answer.chunkIntervalMs = 300;
    return answer;
}
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

    // The body arrives in two pieces: the estimate reaches exactly 100 with the
    // first (20 records' worth), then passes it.
    void progressWhileDataArrive()
    {
        FakeEutilsServer server;
        server.enqueue(kPath, slowAnswer(191140 + 5000, 191140));

        ArticleDownload download(server.endpoints());
        QSignalSpy progress(&download, &ArticleDownload::progress);
        QSignalSpy finished(&download, &ArticleDownload::finished);
        QVERIFY(download.start(pmidsUpTo(20)));
        QVERIFY(finished.wait(kWaitMs));

        QList<double> values;
        for (const QList<QVariant> &signal : progress)
            values.append(signal.at(0).toDouble());
        QVERIFY(std::is_sorted(values.begin(), values.end()));
        QVERIFY2(values.contains(100.0), "the first piece ends exactly at the estimate");
        QCOMPARE(values.last(), downloadProgress(191140 + 5000, 20));
        QCOMPARE(download.takeBody().size(), 191140 + 5000);
    }

    // One "&id=" per PMID, in the order given, after the fixed parameters.
    void downloadsTheRecordsOfTheRequestedIds()
    {
        FakeEutilsServer server;
        server.serveEfetch();
        ArticleDownload download(server.endpoints());
        QSignalSpy finished(&download, &ArticleDownload::finished);
        const QStringList pmids = {QStringLiteral("9997"), QStringLiteral("12091962"), QStringLiteral("1")};
        QVERIFY(download.start(pmids));
        QVERIFY(finished.wait(kWaitMs));
        QVERIFY(!download.isRunning());
        QCOMPARE(download.takeBody(), FakeEutilsServer::efetchAnswer(pmids));
        QCOMPARE(server.requestTargets(),
                 QStringList{QStringLiteral("/entrez/eutils/efetch.fcgi?db=pubmed&rettype=xml&retmode=xml&id=9997&id=12091962&id=1")});
    }

    // The first answer is a redirect back to the same request, with a body of
    // its own: only the body after the redirect is handed on.
    void redirectEmptiesTheBuffer()
    {
        FakeEutilsServer server;
        server.enqueue(kPath, [](const QUrl &url) { return FakeResponse::redirect(url.toString()); });
        server.enqueue(kPath, FakeResponse::xml("<PubmedArticleSet/>"));
        ArticleDownload download(server.endpoints());
        QSignalSpy started(&download, &ArticleDownload::responseStarted);
        QSignalSpy finished(&download, &ArticleDownload::finished);
        QVERIFY(download.start({QStringLiteral("1")}));
        QVERIFY(finished.wait(kWaitMs));
        QCOMPARE(download.takeBody(), QByteArray("<PubmedArticleSet/>"));
        QVERIFY(started.size() >= 2);
        QCOMPARE(server.requestTargets().size(), 2);
        QCOMPARE(server.requestTargets().at(0), server.requestTargets().at(1));
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
        QCOMPARE(server.requestTargets().size(), 1);
        QVERIFY(server.requestTargets().first().endsWith(QLatin1String("&id=1")));
        QCOMPARE(failed.size(), 0);
        // Free again once it ended.
        server.serveEfetch();
        QVERIFY(download.start({QStringLiteral("2")}));
        QVERIFY(finished.wait(kWaitMs));
    }

    void nothingIsEmittedAfterCancel()
    {
        FakeEutilsServer server;
        server.enqueue(kPath, slowAnswer(50000, 1000));
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
