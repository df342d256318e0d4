// How every E-utilities request is built, paced and retried, without a network.
#include "entrez/CitationMatch.h"
#include "entrez/EutilsRequest.h"
#include "entrez/RequestLimiter.h"
#include "entrez/RetryPolicy.h"
#include "services/Icite.h"
#include "services/IdConverter.h"

#include <QTest>

namespace {
const Endpoints kFake = [] {
    Endpoints endpoints;
    endpoints.eutils = QUrl(QStringLiteral("http://127.0.0.1:8080"));
    return endpoints;
}();
} // namespace

class EutilsRequestTest : public QObject
{
    Q_OBJECT

private slots:
    // The identity ends every request, encoded; blanks are left out, and the
    // key sets the pace.
    void requests_data()
    {
        QTest::addColumn<QString>("service");
        QTest::addColumn<QString>("apiKey");
        QTest::addColumn<QString>("email");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("perSecond");
        const QString esearch = QStringLiteral("https://eutils.ncbi.nlm.nih.gov/entrez/eutils/esearch.fcgi?db=pubmed&retstart=40&retmax=20&term=a%20b&tool=vexmoor");
        const QString efetch = QStringLiteral("https://eutils.ncbi.nlm.nih.gov/entrez/eutils/efetch.fcgi");
        const QByteArray fetched = "db=pubmed&rettype=xml&retmode=xml&id=31,4,159&tool=vexmoor";
        QTest::newRow("esearch, anonymous") << "esearch" << "" << "" << esearch << QByteArray() << 3;
        QTest::newRow("esearch, key and address") << "esearch" << "0123abcd" << "Jo Doe+lab@example.org" << esearch + "&email=Jo%20Doe%2Blab%40example.org&api_key=0123abcd"
                                                  << QByteArray() << 10;
        QTest::newRow("efetch, blank key") << "efetch" << " \t" << "" << efetch << fetched << 3;
        QTest::newRow("efetch, key with an ampersand") << "efetch" << " k&y=1 " << "me@example.org" << efetch
                                                       << fetched + "&email=me%40example.org&api_key=k%26y%3D1" << 10;
        const QString elink = QStringLiteral("https://eutils.ncbi.nlm.nih.gov/entrez/eutils/elink.fcgi?dbfrom=pubmed&db=pubmed");
        QTest::newRow("elink, union") << "elink" << "" << "" << elink + "&linkname=pubmed_pubmed_citedin&cmd=neighbor&id=31,4,159&tool=vexmoor"
                                      << QByteArray() << 3;
        QTest::newRow("elink, one id= each, scores, key") << "elink each" << "0123abcd" << "" << elink + "&linkname=pubmed_pubmed&cmd=neighbor_score&id=31&id=4&id=159&tool=vexmoor&api_key=0123abcd"
                                                          << QByteArray() << 10;
        QTest::newRow("elink, every link name") << "elink all" << "" << "" << elink + "&cmd=neighbor&id=31,4,159&tool=vexmoor"
                                                << QByteArray() << 3;
        const QString eutils = QStringLiteral("https://eutils.ncbi.nlm.nih.gov/entrez/eutils/");
        QTest::newRow("count of one year") << "count" << "" << "" << eutils + "esearch.fcgi?db=pubmed&rettype=count&term=a%20b&datetype=pdat&mindate=1990&maxdate=1999&tool=vexmoor"
                                           << QByteArray() << 3;
        QTest::newRow("mesh search") << "mesh search" << "" << "" << eutils + "esearch.fcgi?db=mesh&retmax=20&term=a%20b&tool=vexmoor"
                                     << QByteArray() << 3;
        QTest::newRow("mesh summary") << "mesh summary" << "0123abcd" << "" << eutils + "esummary.fcgi?db=mesh&version=2.0&id=31,4,159&tool=vexmoor&api_key=0123abcd"
                                      << QByteArray() << 10;
        // ECitMatch is an E-utility; no bar or line break of a citation shifts its fields.
        QTest::newRow("ecitmatch, key") << "ecitmatch" << "0123abcd" << "" << QStringLiteral(
            "https://eutils.ncbi.nlm.nih.gov/entrez/eutils/ecitmatch.cgi?db=pubmed&retmode=xml&bdata=n%20engl%20j%20med%7C2020%7C"
            "382%7C727%7Czhu%20n%7C0%7C%0Dsci%20ence%20x%7C1987%7C235%7C182%7C%7C1%7C&tool=vexmoor&api_key=0123abcd")
                                        << QByteArray() << 10;
        // The other services get neither the key nor its pace.
        QTest::newRow("icite, never the key") << "icite" << "0123abcd" << "me@example.org"
                                              << "https://icite.od.nih.gov/api/pubs?pmids=31,4,159" << QByteArray() << 3;
        QTest::newRow("id converter, the address, never the key")
            << "idconv" << "0123abcd" << "me@example.org"
            << "https://pmc.ncbi.nlm.nih.gov/tools/idconv/api/v1/articles/?ids=10.1000/x,10.1002/%28SICI%291&idtype=doi&format=json&versions=no&tool=vexmoor&email=me%40example.org"
            << QByteArray() << 3;
    }
    void requests()
    {
        QFETCH(QString, service);
        QFETCH(QString, apiKey);
        QFETCH(QString, email);
        QFETCH(QString, url);
        QFETCH(QByteArray, body);
        QFETCH(int, perSecond);
        const EutilsIdentity identity{apiKey, email};
        const QStringList pmids{QStringLiteral("31"), QStringLiteral("4"), QStringLiteral("159")};
        const bool each = service == QLatin1String("elink each");
        const ElinkQuery link{pmids, service == QLatin1String("elink all") ? QString() : each ? "pubmed_pubmed" : "pubmed_pubmed_citedin", each, each};
        const QStringList citations{citationMatchLine({"N Engl J Med", "2020", "382", "727", "Zhu N", "0"}),
                                    citationMatchLine({"Sci|ence\nX", "1987", "235", "182", "", "1"})};
        const EutilsRequest request = service == QLatin1String("esearch") ? esearchRequest(Endpoints(), QStringLiteral("a b"), 40, 20, identity)
            : service == QLatin1String("efetch")                        ? efetchRequest(Endpoints(), pmids, identity)
            : service == QLatin1String("count")                         ? countRequest(Endpoints(), QStringLiteral("a b"), identity, 1990, 1999)
            : service == QLatin1String("mesh search")                   ? meshSearchRequest(Endpoints(), QStringLiteral("a b"), 20, identity)
            : service == QLatin1String("mesh summary")                  ? meshSummaryRequest(Endpoints(), pmids, identity)
            : service == QLatin1String("ecitmatch")                     ? ecitmatchRequest(Endpoints(), citations, identity)
            : service == QLatin1String("icite")                         ? iciteRequests(Endpoints(), pmids).value(0)
            : service == QLatin1String("idconv") ? idConverterRequests(Endpoints(), ArticleIdType::Doi, {"10.1000/x", "10.1002/(SICI)1"}, identity.email).value(0)
                                                 : elinkRequest(Endpoints(), link, identity);
        QCOMPARE(request.url.toString(QUrl::FullyEncoded), url);
        QCOMPARE(request.postBody, body);
        QCOMPARE(request.isPost(), !body.isNull());
        QCOMPARE(request.requestsPerSecond(), perSecond);
        // Another service's request waits on its own host's limiter.
        QCOMPARE(request.servicePace > 0, service == QLatin1String("icite") || service == QLatin1String("idconv"));
    }

    // Ten thousand PMIDs, or a query of thousands of characters, still make a short request line.
    void largeBatchGoesInTheBody()
    {
        const QString origin = QStringLiteral("http://127.0.0.1:8080/entrez/eutils/esearch.fcgi");
        for (const int length : {1900, 2000}) {
            const EutilsRequest search = esearchRequest(kFake, QString(length, QLatin1Char('a')), 0, 20, {});
            const bool long_ = search.isPost();
            QCOMPARE(long_, length == 2000);
            QCOMPARE(search.url.toString(), long_ ? origin : search.url.toString());
            QVERIFY(search.url.toString().size() <= kMaxEsearchGetUrlLength);
            QCOMPARE((long_ ? QString::fromLatin1(search.postBody) : search.url.query()),
                     QStringLiteral("db=pubmed&retstart=0&retmax=20&term=") + QString(length, QLatin1Char('a'))
                         + QStringLiteral("&tool=vexmoor"));
        }

        QStringList pmids;
        for (int i = 0; i < 10000; ++i)
            pmids.append(QString::number(39000001 + i));
        const EutilsRequest request = efetchRequest(kFake, pmids, {});
        QCOMPARE(request.url.toString(), QStringLiteral("http://127.0.0.1:8080/entrez/eutils/efetch.fcgi"));
        QVERIFY(request.postBody.contains("&id=39000001,39000002,"));
        QVERIFY(request.postBody.contains(",39010000&tool=vexmoor"));
        // ELink asks by GET up to 200 PMIDs, however they are spread over id= values.
        for (const bool perId : {false, true}) {
            QVERIFY(!elinkRequest(kFake, {pmids.mid(0, 200), QString(), perId}, {}).isPost());
            const EutilsRequest many = elinkRequest(kFake, {pmids.mid(0, 201), QString(), perId}, {});
            QCOMPARE(many.url.toString(), QStringLiteral("http://127.0.0.1:8080/entrez/eutils/elink.fcgi"));
            QVERIFY(many.postBody.startsWith("dbfrom=pubmed&db=pubmed&cmd=neighbor&id=39000001"));
        }
        // Another service's ids: at most 200 a request, and no request line past its limit.
        const QList<EutilsRequest> icite = iciteRequests(kFake, pmids.mid(0, 401));
        QCOMPARE(icite.size(), 3);
        QVERIFY(icite.at(1).url.query().startsWith(QStringLiteral("pmids=39000201,")));
        QCOMPARE(icite.at(2).url.query(), QStringLiteral("pmids=39000401"));
        QStringList dois;
        for (int i = 0; i < 200; ++i)
            dois.append(QStringLiteral("10.1000/a-rather-long-suffix-of-a-doi.%1").arg(i));
        const QList<EutilsRequest> converted = idConverterRequests(kFake, ArticleIdType::Doi, dois, {});
        QCOMPARE(converted.size(), 3);
        for (const EutilsRequest &request : converted)
            QVERIFY(request.url.toString(QUrl::FullyEncoded).size() <= kMaxServiceGetUrlLength);
        QVERIFY(converted.at(2).url.toString().contains(QStringLiteral(".199&idtype=doi")));
    }

    void keyIsKeptOutOfMessages()
    {
        const EutilsIdentity identity{QStringLiteral("k&y"), QStringLiteral("me@example.org")};
        QCOMPARE(withoutApiKey(QStringLiteral("failed: http://x/?api_key=k%26y and k&y"), identity),
                 QStringLiteral("failed: http://x/?api_key=(API key) and (API key)"));
        QCOMPARE(withoutApiKey(QStringLiteral("k&y"), {}), QStringLiteral("k&y"));
    }

    // A fake clock drives the limiter through a script: each step is
    // "acquire", "release", "abandon" or a clock advance "+ms", followed by
    // the delay expected for the next request.
    void limiter_data()
    {
        QTest::addColumn<int>("perSecond");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QList<qint64>>("delays");
        QTest::newRow("three go at once, the fourth waits for the first's end + 1 s")
            << 3 << QStringList{"acquire", "release", "+100", "acquire", "release", "acquire", "release", "+50"}
            << QList<qint64>{0, 0, 0, 0, 0, 0, 900, 900, 850};
        QTest::newRow("rolling: the window moves with the oldest")
            << 3 << QStringList{"acquire", "release", "+400", "acquire", "release", "+400", "acquire", "release", "+200", "acquire", "release"}
            << QList<qint64>{0, 0, 0, 0, 0, 0, 0, 200, 200, 0, 400, 400};
        QTest::newRow("places in flight count until they end")
            << 3 << QStringList{"acquire", "acquire", "acquire", "+5000", "release"}
            << QList<qint64>{0, 0, 0, 1000, 1000, 1000};
        QTest::newRow("a cancelled request keeps its place longer")
            << 1 << QStringList{"acquire", "abandon", "+1000"}
            << QList<qint64>{0, 1000, 2000, 1000};
        QTest::newRow("ten with a key")
            << 10 << QStringList{"acquire", "release", "acquire", "release", "acquire", "release", "acquire", "release",
                                 "acquire", "release", "acquire", "release", "acquire", "release", "acquire", "release",
                                 "acquire", "release", "+10", "acquire", "release"}
            << QList<qint64>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 990, 990};
    }
    void limiter()
    {
        QFETCH(int, perSecond);
        QFETCH(QStringList, steps);
        QFETCH(QList<qint64>, delays);
        qint64 now = 1000000;
        RequestLimiter limiter([&] { return now; });
        QList<RequestLimiter::Ticket> open;
        QList<qint64> seen{limiter.delayMs(perSecond)};
        for (const QString &step : steps) {
            if (step == QLatin1String("acquire"))
                open.append(limiter.acquire());
            else if (step == QLatin1String("release"))
                limiter.release(open.takeFirst());
            else if (step == QLatin1String("abandon"))
                limiter.abandon(open.takeFirst());
            else
                now += step.toLongLong();
            seen.append(limiter.delayMs(perSecond));
        }
        QCOMPARE(seen, delays);
    }

    // Seconds announced before each retry, until the failure is final.
    void retryDelays_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("retryAfter");
        QTest::addColumn<QList<int>>("delays");
        QTest::newRow("429, no Retry-After") << 429 << QByteArray() << QList<int>{1, 2, 4};
        QTest::newRow("502") << 502 << QByteArray() << QList<int>{1, 2, 4};
        QTest::newRow("503 with Retry-After") << 503 << QByteArray(" 7 ") << QList<int>{7, 7, 7};
        QTest::newRow("504, Retry-After capped") << 504 << QByteArray("120") << QList<int>{30, 30, 30};
        QTest::newRow("Retry-After as a date") << 429 << QByteArray("Wed, 09 Dec 2026 03:00:05 GMT") << QList<int>{5, 5, 5};
        QTest::newRow("unreadable Retry-After") << 429 << QByteArray("soon") << QList<int>{1, 2, 4};
        QTest::newRow("500 is final") << 500 << QByteArray("1") << QList<int>{};
        QTest::newRow("404 is final") << 404 << QByteArray() << QList<int>{};
        QTest::newRow("no status: a network failure") << 0 << QByteArray() << QList<int>{};
    }
    void retryDelays()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, retryAfter);
        QFETCH(QList<int>, delays);
        // Part of a second gone: a date is waited for in full, rounded up.
        const QDateTime now = QDateTime::fromString(QStringLiteral("2026-12-09T03:00:00.400Z"), Qt::ISODate);
        QList<int> seen;
        for (int done = 0; const std::optional<int> wait = retryDelaySeconds(status, retryAfter, done, RetryPolicy(), now); ++done)
            seen.append(*wait);
        QCOMPARE(seen, delays);
    }
};

QTEST_GUILESS_MAIN(EutilsRequestTest)
#include "EutilsRequestTest.moc"
