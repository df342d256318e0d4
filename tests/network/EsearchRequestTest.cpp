// The ESearch request as it goes on the wire, and the answers it yields.
#include "FakeEutilsServer.h"
#include "entrez/BlockingFetcher.h"
#include "entrez/EsearchClient.h"
#include "entrez/PmidSearch.h"

#include <QTest>

namespace {
const QString kPath = QLatin1String(Paths::ESearch);
}

class EsearchRequestTest : public QObject
{
    Q_OBJECT

private slots:
    void preparedTerm_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("prepared");
        QTest::newRow("plain word") << "cancer" << "cancer";
        QTest::newRow("white space trimmed, inner space encoded")
            << " \t\nbreast cancer\r\n " << "breast%20cancer";
        QTest::newRow("URL syntax searched as typed")
            << "a&b=c+d#e%f" << "a%26b%3Dc%2Bd%23e%25f";
        QTest::newRow("field tags and quotes")
            << "\"smith j\"[au] AND 2020[dp]" << "%22smith%20j%22%5Bau%5D%20AND%202020%5Bdp%5D";
        QTest::newRow("unreserved characters stay") << "a-b.c_d~e" << "a-b.c_d~e";
        QTest::newRow("non-ASCII as UTF-8") << QString::fromUtf8("Müller β") << "M%C3%BCller%20%CE%B2";
        QTest::newRow("only white space") << " \n\t " << "";
    }
    void preparedTerm()
    {
        QFETCH(QString, typed);
        QFETCH(QString, prepared);
        QCOMPARE(prepareQueryTerm(typed), prepared);
    }

    // The request target reaches the server byte for byte as built: nothing
    // in between re-encodes or decodes the prepared term.
    void requestOnTheWire_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("retStart");
        QTest::addColumn<int>("retMax");
        QTest::addColumn<QString>("target");
        QTest::newRow("first batch") << "cancer" << 0 << 20
                                     << "/entrez/eutils/esearch.fcgi?retstart=0&retmax=20&term=cancer";
        QTest::newRow("URL syntax in the query") << " a&b=c+d#e%f\n" << 40 << 5
                                                 << "/entrez/eutils/esearch.fcgi?retstart=40&retmax=5&term=a%26b%3Dc%2Bd%23e%25f";
        QTest::newRow("non-ASCII") << QString::fromUtf8("Müller[au]") << 20 << 20
                                   << "/entrez/eutils/esearch.fcgi?retstart=20&retmax=20&term=M%C3%BCller%5Bau%5D";
        QTest::newRow("window held as is, even when odd") << "x" << -1 << 2147483647
                                                          << "/entrez/eutils/esearch.fcgi?retstart=-1&retmax=2147483647&term=x";
    }
    void requestOnTheWire()
    {
        QFETCH(QString, typed);
        QFETCH(int, retStart);
        QFETCH(int, retMax);
        QFETCH(QString, target);
        FakeEutilsServer server;
        server.setHandler(kPath, [](const QUrl &) { return FakeResponse::xml(FakeEutilsServer::esearchAnswer(0, 0, 0)); });
        BlockingFetcher fetcher;
        const FetchResult result = fetcher.get(esearchUrl(server.endpoints(), prepareQueryTerm(typed), retStart, retMax));
        QVERIFY2(result.ok(), qPrintable(result.error));
        QCOMPARE(server.requestTargets(), QStringList{target});
    }

    void requestGoesToTheConfiguredHostOverHttpsByDefault()
    {
        const QUrl url = esearchUrl(Endpoints(), QStringLiteral("x"), 0, 20);
        QCOMPARE(url.scheme(), QStringLiteral("https"));
        QCOMPARE(url.toString(QUrl::FullyEncoded),
                 Endpoints().eutilsOrigin() + QStringLiteral("/entrez/eutils/esearch.fcgi?retstart=0&retmax=20&term=x"));
    }

    // A window of the fake's 45 matches, read through the whole request path.
    void searchReturnsTheWindow()
    {
        FakeEutilsServer server;
        server.serveEsearch(45);
        BlockingFetcher fetcher;
        const PmidSearchOutcome outcome = PMIDsForSearchString(fetcher, server.endpoints(), QStringLiteral("x"), 40, 20);
        QVERIFY2(outcome.result, qPrintable(outcome.error));
        QCOMPARE(outcome.result->totalCount, QStringLiteral("45"));
        QCOMPARE(outcome.result->retrievedCount, 5);
        QCOMPARE(outcome.result->PMIDs.first(), FakeEutilsServer::fakePmid(40));
        QCOMPARE(outcome.result->PMIDs.last(), FakeEutilsServer::fakePmid(44));
    }

    // Answers that arrive intact but are no search result fail as well.
    void unusableAnswersFail_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("error without a count") << QByteArray(
            "<?xml version=\"1.0\"?>\n<eSearchResult><ERROR>Invalid db name specified: fleegle</ERROR></eSearchResult>\n");
        QTest::newRow("HTML with status 200") << QByteArray("<html><body>Down for maintenance</body></html>");
        QTest::newRow("empty body") << QByteArray();
    }
    void unusableAnswersFail()
    {
        QFETCH(QByteArray, body);
        FakeEutilsServer server;
        server.setHandler(kPath, [body](const QUrl &) { return FakeResponse::xml(body); });
        BlockingFetcher fetcher;
        const PmidSearchOutcome outcome = PMIDsForSearchString(fetcher, server.endpoints(), QStringLiteral("x"), 0, 20);
        QVERIFY(!outcome.result);
        QVERIFY(!outcome.error.isEmpty());
    }

    // Network faults end the search with the reason, not with a result.
    void networkFaultsFail()
    {
        FakeEutilsServer server;
        server.setHandler(kPath, [](const QUrl &) { return FakeResponse::tooManyRequests(); });
        BlockingFetcher fetcher;
        const PmidSearchOutcome outcome = PMIDsForSearchString(fetcher, server.endpoints(), QStringLiteral("x"), 0, 20);
        QVERIFY(!outcome.result);
        QCOMPARE(outcome.error, QStringLiteral("HTTP 429 Too Many Requests"));
    }
};

QTEST_GUILESS_MAIN(EsearchRequestTest)
#include "EsearchRequestTest.moc"
