// The ESearch request as it goes on the wire, and the answers it yields.
#include "FakeEutilsServer.h"
#include "common/SystemLog.h"
#include "entrez/EsearchClient.h"
#include "entrez/PacedFetcher.h"
#include "entrez/PmidSearch.h"

#include <QTest>

Q_DECLARE_METATYPE(FakeResponse)

namespace {
const QString kPath = QLatin1String(Paths::ESearch);
}

class EsearchRequestTest : public QObject
{
    Q_OBJECT

private slots:
    // The typed query is trimmed and percent-encoded, and the request target
    // reaches the server byte for byte as built: nothing in between re-encodes
    // or decodes the prepared term. The answer (45 matches) is read back.
    void requestOnTheWire_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("retStart");
        QTest::addColumn<int>("retMax");
        QTest::addColumn<QString>("term");
        QTest::addColumn<int>("retrieved");
        QTest::addColumn<QString>("sort"); // the order's name, and what follows the term on the wire
        QTest::addColumn<QString>("sortOnTheWire");
        QTest::newRow("white space trimmed, inner space encoded") << " \t\nbreast cancer\r\n " << 0 << 20 << "breast%20cancer" << 20 << "recent" << "";
        QTest::newRow("URL syntax searched as typed") << "a&b=c+d#e%f" << 40 << 5 << "a%26b%3Dc%2Bd%23e%25f" << 5 << "recent" << "";
        QTest::newRow("field tags and quotes") << "\"smith j\"[au] AND 2020[dp]" << 20 << 20
                                               << "%22smith%20j%22%5Bau%5D%20AND%202020%5Bdp%5D" << 20 << "recent" << "";
        QTest::newRow("unreserved characters stay") << "a-b.c_d~e" << 0 << 20 << "a-b.c_d~e" << 20 << "recent" << "";
        QTest::newRow("non-ASCII as UTF-8") << QString::fromUtf8("Müller β") << 0 << 20 << "M%C3%BCller%20%CE%B2" << 20 << "recent" << "";
        QTest::newRow("only white space") << " \n\t " << 0 << 20 << "" << 20 << "recent" << "";
        QTest::newRow("Best match") << "x" << 0 << 20 << "x" << 20 << "relevance" << "&sort=relevance";
        QTest::newRow("publication date") << "x" << 0 << 20 << "x" << 20 << "pub_date" << "&sort=pub_date";
        QTest::newRow("first author") << "x" << 0 << 20 << "x" << 20 << "author" << "&sort=Author";
        QTest::newRow("journal") << "x" << 0 << 20 << "x" << 20 << "journal" << "&sort=JournalName";
        QTest::newRow("window held as is, even when odd") << "x" << -1 << 2147483647 << "x" << 45 << "recent" << "";
    }
    void requestOnTheWire()
    {
        QFETCH(QString, typed);
        QFETCH(int, retStart);
        QFETCH(int, retMax);
        QFETCH(QString, term);
        QFETCH(int, retrieved);
        QFETCH(QString, sort);
        QFETCH(QString, sortOnTheWire);
        QCOMPARE(prepareQueryTerm(typed), term);
        FakeEutilsServer server;
        server.serveEsearch(45);
        PacedFetcher fetcher;
        const PmidSearchOutcome outcome = PMIDsForSearchString(fetcher, server.endpoints(), term, retStart, retMax, {},
                                                                 SortOrders::named(sort).value());
        QVERIFY2(outcome.result, qPrintable(outcome.error));
        QCOMPARE(server.requestTargets(),
                 QStringList{QStringLiteral("/entrez/eutils/esearch.fcgi?db=pubmed&retstart=%1&retmax=%2&term=").arg(retStart).arg(retMax)
                             + term + sortOnTheWire + QStringLiteral("&tool=vexmoor")});
        QCOMPARE(outcome.result->totalCount, QStringLiteral("45"));
        QCOMPARE(outcome.result->retrievedCount, retrieved);
    }

    // However many ids an answer holds, a batch is never larger than asked for.
    void answerNeverGrowsTheBatch()
    {
        FakeEutilsServer server;
        server.setHandler(kPath, [](const QUrl &) { return FakeResponse::xml(FakeEutilsServer::esearchAnswer(45, 0, 45)); });
        QStringList log;
        setSystemLogSink([&log](const QString &line) { log.append(line); });
        PacedFetcher fetcher;
        const PmidSearchOutcome outcome = PMIDsForSearchString(fetcher, server.endpoints(), QStringLiteral("x"), 0, 5);
        setSystemLogSink({});
        QVERIFY2(outcome.result, qPrintable(outcome.error));
        QStringList first;
        for (int i = 0; i < 5; ++i)
            first.append(FakeEutilsServer::fakePmid(i));
        QCOMPARE(outcome.result->PMIDs, first);
        QCOMPARE(outcome.result->retrievedCount, 5);
        QCOMPARE(log, QStringList{QStringLiteral("ESearch answer: 40 ids beyond the 5 asked for were dropped")});
    }

    // Answers that are no search result, and network faults, end the search
    // with the reason, not with a result.
    void failures_data()
    {
        QTest::addColumn<FakeResponse>("answer");
        QTest::addColumn<QString>("error");
        QTest::newRow("error without a count")
            << FakeResponse::xml("<?xml version=\"1.0\"?>\n<eSearchResult><ERROR>Invalid db name specified: fleegle</ERROR></eSearchResult>\n")
            << "the answer is not a search result";
        QTest::newRow("HTML with status 200") << FakeResponse::xml("<html><body>Down for maintenance</body></html>")
                                              << "the answer is not a search result";
        FakeResponse json = FakeResponse::xml(R"({"esearchresult": {"ERROR": "Invalid query"}})");
        json.contentType = "application/json";
        QTest::newRow("JSON with status 200") << json << "the answer is not a search result";
        QTest::newRow("429") << FakeResponse::tooManyRequests() << "the service answered HTTP 429 Too Many Requests";
        QTest::newRow("HTML 502") << FakeResponse::serverError(502) << "the service answered HTTP 502 Bad Gateway";
        QTest::newRow("404 is not retried") << FakeResponse::html(404, "<html>gone</html>") << "the service answered HTTP 404 Not Found";
    }
    void failures()
    {
        QFETCH(FakeResponse, answer);
        QFETCH(QString, error);
        FakeEutilsServer server;
        server.setHandler(kPath, [answer](const QUrl &) { return answer; });
        PacedFetcher fetcher;
        // Busy answers are asked again, 1 ms per announced second, before they fail.
        fetcher.setRetryPolicy({3, 30, 1});
        const PmidSearchOutcome outcome = PMIDsForSearchString(fetcher, server.endpoints(), QStringLiteral("x"), 0, 20);
        QVERIFY(!outcome.result);
        QCOMPARE(outcome.error, error);
    }
};

QTEST_GUILESS_MAIN(EsearchRequestTest)
#include "EsearchRequestTest.moc"
