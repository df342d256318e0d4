// vexmoor-cli search against the fake E-utilities server: the requests the
// window makes, the records it shows, and every way a search can end.
#include "FakeEutilsServer.h"
#include "citations/Citation.h"
#include "entrez/ArticleExtractor.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QUrlQuery>

namespace {

const QString kESearch = QLatin1String(Paths::ESearch);
const QString kEFetch = QUrl(QLatin1String(Paths::EFetch)).path();

struct CliRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// The test's own event loop keeps running while the program works, so the
// fake server in this process can answer it.
CliRun runSearch(const FakeEutilsServer &server, QStringList args)
{
    args.prepend(QStringLiteral("search"));
    args << QStringLiteral("--eutils") << server.origin().toString();
    QProcess process;
    QSignalSpy finished(&process, &QProcess::finished);
    process.start(QStringLiteral(VEXMOOR_CLI), args);
    if (!finished.wait(60000))
        process.kill();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

QStringList fakePmids(int from, int count)
{
    QStringList pmids;
    for (int i = from; i < from + count; ++i)
        pmids.append(FakeEutilsServer::fakePmid(i));
    return pmids;
}

QStringList pmidsOfJsonLines(const QByteArray &out)
{
    QStringList pmids;
    for (const QByteArray &line : out.split('\n')) {
        if (!line.isEmpty())
            pmids.append(QJsonDocument::fromJson(line).object().value(QLatin1String("PMID")).toString());
    }
    return pmids;
}

// A record small enough that ten thousand of them make a light answer.
FakeResponse tinyRecordsFor(const QUrl &url)
{
    QByteArray records;
    for (const QString &id : QUrlQuery(url).allQueryItemValues(QStringLiteral("id")))
        records += "<PubmedArticle><MedlineCitation><PMID>" + id.toLatin1() + "</PMID></MedlineCitation></PubmedArticle>\n";
    return FakeResponse::xml("<?xml version=\"1.0\"?>\n<PubmedArticleSet>\n" + records + "</PubmedArticleSet>\n");
}

} // namespace

class SearchCliTest : public QObject
{
    Q_OBJECT

private slots:
    void firstBatchOnly()
    {
        FakeEutilsServer server;
        server.serveEsearch(45);
        server.serveEfetch();
        const CliRun run = runSearch(server, {QStringLiteral(" breast & cancer\n")});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(pmidsOfJsonLines(run.out), fakePmids(0, 20));
        QCOMPARE(server.requestTargets(),
                 (QStringList{QStringLiteral("/entrez/eutils/esearch.fcgi?retstart=0&retmax=20&term=breast%20%26%20cancer"),
                              QStringLiteral("/entrez/eutils/efetch.fcgi?db=pubmed&rettype=xml&retmode=xml&id=")
                                  + fakePmids(0, 20).join(QLatin1String("&id="))}));
        QVERIFY(run.err.contains("found 45 articles, downloaded 20 titles"));
    }

    // The windows of the 45-match search: (0,20), (20,20), (40,5).
    void everyBatch()
    {
        FakeEutilsServer server;
        server.serveEsearch(45);
        server.serveEfetch();
        const CliRun run = runSearch(server, {QStringLiteral("x"), QStringLiteral("--all")});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(pmidsOfJsonLines(run.out), fakePmids(0, 45));
        QStringList windows;
        for (const QUrl &url : server.requestUrls()) {
            if (url.path() == kESearch)
                windows.append(QUrlQuery(url).queryItemValue(QStringLiteral("retstart")) + QLatin1Char(',')
                               + QUrlQuery(url).queryItemValue(QStringLiteral("retmax")));
        }
        QCOMPARE(windows, (QStringList{QStringLiteral("0,20"), QStringLiteral("20,20"), QStringLiteral("40,5")}));
        QCOMPARE(server.requestCount(kEFetch), 3);
        QVERIFY(run.err.contains("found 45 articles, downloaded 45 titles"));
    }

    void batchSizeAndPlainCitations()
    {
        FakeEutilsServer server;
        server.serveEsearch(45);
        server.serveEfetch();
        const CliRun run = runSearch(server, {QStringLiteral("x"), QStringLiteral("--batch"), QStringLiteral("3"),
                                              QStringLiteral("--format"), QStringLiteral("plain")});
        QCOMPARE(run.exitCode, 0);
        ArticleList expected;
        appendArticlesFromBytes(FakeEutilsServer::efetchAnswer(fakePmids(0, 3)), expected, elinkBaseUrl(server.endpoints()));
        QCOMPARE(expected.size(), 3);
        QString citations;
        for (const ArticleRecord &article : std::as_const(expected))
            citations += citationStringForArticle(article) + QLatin1String("\n\n");
        QCOMPARE(QString::fromUtf8(run.out), citations);
    }

    void documentFormats_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QByteArray>("start");
        QTest::addColumn<QByteArray>("link");
        QTest::newRow("rtf") << "rtf" << QByteArray("{\\rtf1") << QByteArray("HYPERLINK");
        QTest::newRow("html") << "html" << QByteArray() << QByteArray("<a href=");
    }
    void documentFormats()
    {
        QFETCH(QString, format);
        QFETCH(QByteArray, start);
        QFETCH(QByteArray, link);
        FakeEutilsServer server;
        server.serveEsearch(5);
        server.serveEfetch();
        const CliRun run = runSearch(server, {QStringLiteral("x"), QStringLiteral("--all"), QStringLiteral("--batch"),
                                              QStringLiteral("2"), QStringLiteral("--format"), format});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.startsWith(start));
        QVERIFY(run.out.contains(link));
        QVERIFY(run.out.contains(FakeEutilsServer::fakePmid(0).toLatin1()));
        QVERIFY(run.out.contains(FakeEutilsServer::fakePmid(4).toLatin1()));
    }

    void noMatches()
    {
        FakeEutilsServer server;
        server.serveEsearch(0);
        const CliRun run = runSearch(server, {QStringLiteral("x"), QStringLiteral("--all")});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.isEmpty());
        QVERIFY(run.err.contains("found 0 articles"));
        QCOMPARE(server.requestCount(kEFetch), 0);
    }

    void searchFailure()
    {
        FakeEutilsServer server;
        server.setHandler(kESearch, [](const QUrl &) { return FakeResponse::serverError(503); });
        const CliRun run = runSearch(server, {QStringLiteral("x")});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.out.isEmpty());
        QVERIFY2(run.err.contains("search failed: HTTP 503 Service Unavailable"), run.err.constData());
    }

    // The first batch is printed; the failed second one makes the exit status 1.
    void laterDownloadFailure()
    {
        FakeEutilsServer server;
        server.serveEsearch(45);
        server.serveEfetch();
        server.enqueue(kEFetch, FakeResponse::xml(FakeEutilsServer::efetchAnswer(fakePmids(0, 20))));
        server.enqueue(kEFetch, FakeResponse::tooManyRequests());
        const CliRun run = runSearch(server, {QStringLiteral("x"), QStringLiteral("--all")});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(pmidsOfJsonLines(run.out), fakePmids(0, 20));
        QVERIFY2(run.err.contains("download failed: HTTP 429 Too Many Requests"), run.err.constData());
        QCOMPARE(server.requestCount(kESearch), 2);
    }

    // An answer without articles would make the next window the same one again.
    void answerWithoutArticlesStopsEveryBatch()
    {
        FakeEutilsServer server;
        server.serveEsearch(45);
        server.setHandler(kEFetch, [](const QUrl &) { return FakeResponse::xml("<?xml version=\"1.0\"?>\n<PubmedArticleSet></PubmedArticleSet>\n"); });
        const CliRun run = runSearch(server, {QStringLiteral("x"), QStringLiteral("--all")});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.out.isEmpty());
        QCOMPARE(server.requestCount(kESearch), 1);
    }

    // 10,050 matches in batches of 4,000: windows (0,4000), (4000,4000) and
    // (8000,2000), the last cut at the service's limit; then a clear stop.
    void stopsAtTheServiceLimit()
    {
        FakeEutilsServer server;
        server.serveEsearch(10050);
        server.setHandler(kEFetch, tinyRecordsFor);
        const CliRun run = runSearch(server, {QStringLiteral("x"), QStringLiteral("--all"), QStringLiteral("--batch"), QStringLiteral("4000")});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out.count('\n'), 10000);
        QStringList esearches = server.requestTargets().filter(QStringLiteral("esearch.fcgi"));
        QCOMPARE(esearches.size(), 3);
        QVERIFY(esearches.at(2).contains(QLatin1String("retstart=8000&retmax=2000&")));
        QVERIFY2(run.err.contains("limit of 10000 records; the other 50 matches"), run.err.constData());
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no query") << QStringList{QStringLiteral("search")};
        QTest::newRow("blank query") << QStringList{QStringLiteral("search"), QStringLiteral("  \n")};
        QTest::newRow("batch of zero") << QStringList{QStringLiteral("search"), QStringLiteral("x"), QStringLiteral("--batch"), QStringLiteral("0")};
        QTest::newRow("unknown format") << QStringList{QStringLiteral("search"), QStringLiteral("x"), QStringLiteral("--format"), QStringLiteral("pdf")};
        QTest::newRow("service with a path") << QStringList{QStringLiteral("search"), QStringLiteral("x"), QStringLiteral("--eutils"), QStringLiteral("http://127.0.0.1:1/entrez")};
        QTest::newRow("not a web address") << QStringList{QStringLiteral("search"), QStringLiteral("x"), QStringLiteral("--eutils"), QStringLiteral("ftp://127.0.0.1")};
    }
    void usageErrors()
    {
        QFETCH(QStringList, args);
        QProcess process;
        process.start(QStringLiteral(VEXMOOR_CLI), args);
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitCode(), 2);
        QVERIFY(process.readAllStandardOutput().isEmpty());
        QVERIFY(!process.readAllStandardError().isEmpty());
    }
};

QTEST_GUILESS_MAIN(SearchCliTest)
#include "SearchCliTest.moc"
