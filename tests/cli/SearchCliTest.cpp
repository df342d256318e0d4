// vexmoor-cli search against the fake E-utilities server: the requests the
// window makes, the records it shows, and every way a search can end.
#include "CliRun.h"
#include "FakeEutilsServer.h"
#include "TestData.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcessEnvironment>
#include <QTest>
#include <QUrlQuery>

#include <algorithm>
#include <array>
#include <random>

namespace {

const QString kESearch = QLatin1String(Paths::ESearch);
const QString kEFetch = QUrl(QLatin1String(Paths::EFetch)).path();
const QString kELink = QLatin1String(Paths::ELinkService);
const QString kIcite = QLatin1String(Paths::IcitePubs);

// iCite's records: each PMID cited as often as its last digit, an RCR half
// that; PMID 1 cited by 30 and 500, 2 by 500 and 7000, both referencing 30.
void serveIcite(FakeEutilsServer &server)
{
    server.setHandler(kIcite, [](const QUrl &url) {
        const QHash<QString, QString> citing{{"1", "30, 500"}, {"2", "500, 7000"}};
        QStringList records;
        for (const QString &pmid : QUrlQuery(url).queryItemValue(QStringLiteral("pmids")).split(u',')) {
            const int n = pmid.right(1).toInt();
            records.append(QStringLiteral(R"({"pmid": %1, "citation_count": %2, "relative_citation_ratio": %3, "nih_percentile": %4, "cited_by": [%5], "references": [30]})")
                               .arg(pmid).arg(n).arg(n / 2.0).arg(n * 10).arg(citing.value(pmid)));
        }
        FakeResponse response = FakeResponse::xml((QStringLiteral(R"({"data": [)") + records.join(u',') + QStringLiteral("]}")).toUtf8());
        response.contentType = "application/json";
        return response;
    });
}

enum class Fault { SearchFails, SecondDownloadFails, AnswerWithoutArticles, ControlsInReason };

CliRun runSearch(const FakeEutilsServer &server, const QStringList &args,
                 const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(),
                 const QString &outputFile = {})
{
    return runCli(QStringList{QStringLiteral("search")} + args
                      + QStringList{QStringLiteral("--eutils"), server.origin().toString(), QStringLiteral("--services"),
                                    server.origin().toString()},
                  {}, environment, outputFile);
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

// Ten thousand of them make a light answer.
FakeResponse briefRecordsFor(const QUrl &url)
{
    return FakeResponse::xml(FakeEutilsServer::briefEfetchAnswer(FakeEutilsServer::requestedIds(url)));
}

} // namespace

Q_DECLARE_METATYPE(Fault)

class SearchCliTest : public QObject
{
    Q_OBJECT

private slots:
    // The query is sent as typed (trimmed and encoded); one ESearch and one
    // EFetch per batch asked for, and the JSON lines of every record in order.
    // With --cited-by-counts one ELink more per batch, and every line counts
    // (each PMID's last digit here), null where the request failed.
    void batches_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("matches");
        QTest::addColumn<int>("retMax");
        QTest::addColumn<int>("printed");
        QTest::addColumn<int>("batches");
        QTest::addColumn<QString>("sort"); // what every ESearch request carries after the term
        QTest::addColumn<int>("uncounted"); // the first batch's count request fails: that many nulls
        QTest::newRow("first batch only") << QStringList() << 45 << 20 << 20 << 1 << "" << 0;
        QTest::newRow("--all") << QStringList{QStringLiteral("--all")} << 45 << 20 << 45 << 3 << "" << 0;
        QTest::newRow("--batch") << QStringList{QStringLiteral("--batch"), QStringLiteral("7")} << 45 << 7 << 7 << 1 << "" << 0;
        QTest::newRow("no matches") << QStringList{QStringLiteral("--all")} << 0 << 20 << 0 << 1 << "" << 0;
        QTest::newRow("--sort, every batch") << QStringList{"--all", "--sort", "journal"} << 45 << 20 << 45 << 3 << "&sort=JournalName" << 0;
        QTest::newRow("--cited-by-counts, 500 matches")
            << QStringList{"--all", "--cited-by-counts", "--source", "pmc"} << 500 << 20 << 500 << 25 << "" << 0;
        QTest::newRow("--cited-by-counts, a count request fails")
            << QStringList{"--all", "--cited-by-counts", "--source", "pmc"} << 45 << 20 << 45 << 3 << "" << 20;
        QTest::newRow("--cited-by-counts from iCite, with the RCR")
            << QStringList{"--all", "--cited-by-counts"} << 45 << 20 << 45 << 3 << "" << 0;
    }
    void batches()
    {
        QFETCH(QStringList, args);
        QFETCH(int, matches);
        QFETCH(int, retMax);
        QFETCH(int, printed);
        QFETCH(int, batches);
        QFETCH(QString, sort);
        QFETCH(int, uncounted);
        FakeEutilsServer server;
        server.serveEsearch(matches);
        server.serveEfetch();
        server.serveElink([](const QString &pmid, const QString &) { return fakePmids(100, pmid.right(1).toInt()); });
        serveIcite(server);
        if (uncounted)
            server.enqueue(kELink, FakeResponse::serverError(500));
        const CliRun run = runSearch(server, QStringList{QStringLiteral(" breast & cancer\n")} + args);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(pmidsOfJsonLines(run.out), fakePmids(0, printed));
        const bool counted = args.contains(QStringLiteral("--cited-by-counts"));
        const bool icite = counted && !args.contains(QStringLiteral("pmc"));
        const QList<QByteArray> lines = run.out.split('\n');
        for (int i = 0; i < printed; ++i) {
            const QJsonObject record = QJsonDocument::fromJson(lines[i]).object();
            const QJsonValue count = record.value(QLatin1String("citedByCount"));
            QCOMPARE(count.isUndefined(), !counted);
            if (counted)
                QCOMPARE(count.isNull() ? -1 : count.toInt(), i < uncounted ? -1 : FakeEutilsServer::fakePmid(i).right(1).toInt());
            const QJsonValue rcr = record.value(QLatin1String("rcr"));
            QCOMPARE(rcr.isUndefined(), !counted);
            if (counted)
                QCOMPARE(rcr.isNull() ? -1.0 : rcr.toDouble(), icite ? FakeEutilsServer::fakePmid(i).right(1).toInt() / 2.0 : -1.0);
        }
        QCOMPARE(server.requestCount(kELink), counted && !icite ? batches : 0);
        QCOMPARE(server.requestCount(kIcite), icite ? batches : 0);
        QCOMPARE(int(server.requests().size()), (counted ? 3 : 2) * batches - (printed ? 0 : 1));
        QCOMPARE(run.err.count("cited-by counts of 20 articles not found: "), uncounted ? 1 : 0);
        QCOMPARE(server.requestTargets().value(0),
                 QStringLiteral("/entrez/eutils/esearch.fcgi?db=pubmed&retstart=0&retmax=%1&term=breast%20%26%20cancer%2&tool=vexmoor").arg(retMax).arg(sort));
        QCOMPARE(server.requestTargets().filter(kESearch).filter(sort + "&tool=").size(), batches);
        QCOMPARE(server.requestCount(kESearch), batches);
        QCOMPARE(server.requestCount(kEFetch), printed ? batches : 0);
        const QString found = printed ? QStringLiteral("found %1 articles, downloaded %2 titles").arg(matches).arg(printed)
                                      : QStringLiteral("found 0 articles");
        QVERIFY2(run.err.contains(found.toUtf8()), run.err.constData());
    }

    // Two commands at once, as cron and the user run them: the service sees
    // the pace of one user, not that of each process.
    void twoProcessesShareThePace()
    {
        FakeEutilsServer server;
        server.serveEsearch(45);
        server.serveEfetch();
        std::array<QProcess, 2> processes;
        for (QProcess &process : processes)
            process.start(QStringLiteral(VEXMOOR_CLI), {QStringLiteral("search"), QStringLiteral("q"), QStringLiteral("--all"),
                                                        QStringLiteral("--eutils"), server.origin().toString()});
        for (QProcess &process : processes) {
            QVERIFY(QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 60000));
            QCOMPARE(process.exitCode(), 0);
        }
        QCOMPARE(server.requests().size(), 2 * 6);
        QCOMPARE_LE(server.mostRequestsWithin(1000), kEutilsRequestsPerSecond);
    }

    // What PubMed did with the query goes to standard error: one line when it
    // left part of the query out, every part with --explain; never a failure.
    void queryDetails_data()
    {
        QTest::addColumn<QString>("answer"); // a file, or the answer itself
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("err"); // a part of it
        QTest::newRow("phrase not found, one line") << "biopython_esearch8.xml" << QStringList() << QByteArray("\nPubMed found nothing for: abcXYZ\nfound 0");
        QTest::newRow("warnings, one line")
            << "<eSearchResult><Count>0</Count><RetMax>0</RetMax><RetStart>0</RetStart><IdList/><WarningList>"
               "<PhraseIgnored>the</PhraseIgnored><QuotedPhraseNotFound>\"abc xyz\"</QuotedPhraseNotFound>"
               "</WarningList></eSearchResult>"
            << QStringList() << QByteArray("\nignored: the; quoted phrase not found: \"abc xyz\"\nfound 0");
        QTest::newRow("explained") << "biopython_esearch8.xml" << QStringList{"--explain"}
                                   << QByteArray("\nQuery: abcXYZ\nTranslation: (abcXYZ[All Fields])\nError: PubMed found nothing for: abcXYZ\n"
                                                 "Warning: OutputMessage: No items found.\nCount: 0\nfound 0 articles\n");
        QTest::newRow("explained, with matches") << "eutils_json_esearch_error.xml" << QStringList{"--explain"}
                                                 << QByteArray("\nExpansion: obstetrics[MeSH Terms] \u2192 \"obstetrics\"[MeSH Terms]\n"
                                                               "Term count: \"obstetrics\"[MeSH Terms]: 5163\n"
                                                               "Error: PubMed found nothing for: fleegle[MeSH Terms]\nCount: 5163\n");
    }
    void queryDetails()
    {
        QFETCH(QString, answer);
        QFETCH(QStringList, args);
        QFETCH(QByteArray, err);
        QByteArray body = answer.toUtf8();
        if (!answer.startsWith(u'<')) {
            READ_TEST_DATA(file, QStringLiteral(VEXMOOR_TESTDATA_DIR "/esearch/") + answer);
            body = file;
        }
        FakeEutilsServer server;
        server.setHandler(kESearch, [body](const QUrl &) { return FakeResponse::xml(body); });
        server.serveEfetch();
        const CliRun run = runSearch(server, QStringList{QStringLiteral("abcXYZ")} + args);
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(('\n' + run.err).contains(err), run.err.constData());
    }

    // Plain citations are printed batch by batch; the RTF and HTML documents
    // and the files (one CSV header) once, with every record of the five in
    // two-record batches, each once and in order. The bytes of each file
    // format are the efetch command's test.
    void formats_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QByteArray>("start");
        QTest::addColumn<QByteArray>("end");
        QTest::addColumn<QByteArray>("pmidTag");
        QTest::addColumn<QByteArray>("link");
        QTest::addColumn<QStringList>("more"); // more options
        QTest::newRow("plain") << "plain" << QByteArray() << QByteArray("\n\n") << QByteArray("\nPMID: ") << QByteArray()
                               << QStringList();
        QTest::newRow("rtf") << "rtf" << QByteArray("{\\rtf1") << QByteArray("}") << QByteArray("\nPMID: ")
                             << QByteArray("HYPERLINK") << QStringList();
        QTest::newRow("html") << "html" << QByteArray() << QByteArray("<br>\n<br>\n") << QByteArray("\nPMID: ")
                              << QByteArray("<a href=") << QStringList();
        QTest::newRow("csv") << "csv" << QByteArray("\xEF\xBB\xBFPMID,Title,") << QByteArray("\r\n")
                             << QByteArray("\r\n") << QByteArray() << QStringList();
        // The last record's three citing articles, in a last column.
        QTest::newRow("csv, cited by") << "csv" << QByteArray("\xEF\xBB\xBFPMID,Title,Authors,Citation,Journal,Year,Volume,"
                                                               "Issue,Pages,DOI,PMCID,Retracted,Abstract,Cited by,RCR,NIH percentile\r\n")
                                       << QByteArray(",3,,\r\n") << QByteArray("\r\n") << QByteArray()
                                       << QStringList{QStringLiteral("--cited-by-counts"), QStringLiteral("--source"), QStringLiteral("pmc")};
        QTest::newRow("csv, figures from iCite") << "csv" << QByteArray("\xEF\xBB\xBFPMID,Title,") << QByteArray(",5,2.50,50.0\r\n")
                                                 << QByteArray("\r\n") << QByteArray() << QStringList{QStringLiteral("--cited-by-counts")};
    }
    void formats()
    {
        QFETCH(QString, format);
        QFETCH(QByteArray, start);
        QFETCH(QByteArray, end);
        QFETCH(QByteArray, pmidTag);
        QFETCH(QByteArray, link);
        QFETCH(QStringList, more);
        FakeEutilsServer server;
        server.serveEsearch(5);
        server.serveEfetch();
        server.serveElink([](const QString &, const QString &) { return fakePmids(100, 3); });
        serveIcite(server);
        const CliRun run = runSearch(server, QStringList{QStringLiteral("x"), QStringLiteral("--all"), QStringLiteral("--batch"),
                                                         QStringLiteral("2"), QStringLiteral("--format"), format} + more);
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.startsWith(start));
        if (!start.isEmpty())
            QCOMPARE(run.out.count(start), 1);
        QVERIFY(run.out.endsWith(end));
        if (!link.isEmpty())
            QCOMPARE(run.out.count(link), 5);
        qsizetype at = 0;
        for (const QString &pmid : fakePmids(0, 5)) {
            const QByteArray tagged = pmidTag + pmid.toLatin1();
            QCOMPARE(run.out.count(tagged), 1);
            at = run.out.indexOf(tagged, at);
            QVERIFY2(at >= 0, qPrintable(pmid));
        }
        const CliRun full = runSearch(server, {QStringLiteral("x"), QStringLiteral("--format"), format},
                                      QProcessEnvironment::systemEnvironment(), QStringLiteral("/dev/full"));
        QCOMPARE(full.exitCode, 1);
        QVERIFY2(full.err.endsWith(kOutputLost), full.err.constData());
    }

    // Exit status 1 with the reason; batches that arrived before are printed.
    void failures_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<int>("printed");
        QTest::addColumn<int>("searches");
        QTest::addColumn<QString>("reason");
        QTest::newRow("search fails") << Fault::SearchFails << 0 << 1 << "search failed: the service answered HTTP 500 Internal Server Error";
        QTest::newRow("second download fails") << Fault::SecondDownloadFails << 20 << 2
                                               << "download failed: the service answered HTTP 400 Bad Request";
        // The next window would be the same one again.
        QTest::newRow("answer without articles") << Fault::AnswerWithoutArticles << 0 << 1
                                                 << "download failed: the answer holds no articles";
        QTest::newRow("controls in the reason phrase") << Fault::ControlsInReason << 0 << 1
                                                       << "search failed: the service answered HTTP 500 \\x1b]0;PWNED\\x07\\x1b[2J";
    }
    void failures()
    {
        QFETCH(Fault, fault);
        QFETCH(int, printed);
        QFETCH(int, searches);
        QFETCH(QString, reason);
        FakeEutilsServer server;
        server.serveEsearch(45);
        server.serveEfetch();
        if (fault == Fault::SearchFails)
            server.setHandler(kESearch, [](const QUrl &) { return FakeResponse::serverError(500); });
        if (fault == Fault::ControlsInReason) {
            server.setHandler(kESearch, [](const QUrl &) {
                FakeResponse response = FakeResponse::serverError(500);
                response.reasonPhrase = "\x1b]0;PWNED\x07\x1b[2J";
                return response;
            });
        }
        if (fault == Fault::SecondDownloadFails) {
            server.enqueue(kEFetch, FakeResponse::xml(FakeEutilsServer::efetchAnswer(fakePmids(0, 20))));
            server.enqueue(kEFetch, FakeResponse::html(400, "<html>bad request</html>"));
        }
        if (fault == Fault::AnswerWithoutArticles)
            server.setHandler(kEFetch, [](const QUrl &) { return FakeResponse::xml("<?xml version=\"1.0\"?>\n<PubmedArticleSet></PubmedArticleSet>\n"); });
        const CliRun run = runSearch(server, {QStringLiteral("x"), QStringLiteral("--all")});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(pmidsOfJsonLines(run.out), fakePmids(0, printed));
        QCOMPARE(server.requestCount(kESearch), searches);
        QVERIFY2(run.err.contains(reason.toUtf8()), run.err.constData());
    }

    // vexmoor-cli link: one ELink request, the linked PMIDs in the reader's
    // order or the records of them in batches; ELink's error is a failure.
    // The commands of an expert searcher: clinical filters on search, MeSH
    // headings from the real ESummary answer, counts per year.
    void searchBuilding_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("firstTerm"); // the term of the first ESearch request
        QTest::addColumn<QByteArray>("out");    // what standard output (or error, after a usage error) holds
        QTest::newRow("search, clinical and systematic")
            << QStringList{"search", "sepsis", "--clinical", "THERAPY/narrow", "--systematic"} << 0
            << "(sepsis) AND (randomized controlled trial[Publication Type] OR (randomized[Title/Abstract] AND "
               "controlled[Title/Abstract] AND trial[Title/Abstract])) AND systematic[sb]"
            << QByteArray("\"PMID\"");
        QTest::newRow("search, unknown category") << QStringList{"search", "sepsis", "--clinical", "harm"} << 2 << ""
                                                  << QByteArray("therapy, diagnosis, etiology, prognosis, prediction-guides");
        QTest::newRow("mesh, text with the tree")
            << QStringList{"mesh", "hcat-2", "--tree"} << 0 << "hcat-2"
            << QByteArray("SLC7A2 protein, human (supplementary concept)\n  UID: 67414177\n  Found as: hCAT-2 transport "
                          "protein\n  Scope note: RefSeq NM_003046\n");
        QTest::newRow("mesh, json") << QStringList{"mesh", "SLC7A2", "--format", "json"} << 0 << "SLC7A2"
                                    << QByteArray("\"query\":\"\\\"SLC7A2 protein, human\\\"[nm]\"");
        QTest::newRow("timeline") << QStringList{"timeline", "sepsis", "--from", "2015", "--to", "2021"} << 0 << "sepsis"
                                  << QByteArray("Year,Count\n2021,3\n2019,7\n");
        QTest::newRow("timeline, years the wrong way") << QStringList{"timeline", "sepsis", "--from", "2021", "--to", "2015"}
                                                       << 2 << "" << QByteArray("--from and --to take years");
    }
    void searchBuilding()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, firstTerm);
        QFETCH(QByteArray, out);
        READ_TEST_DATA(summary, VEXMOOR_TESTDATA_DIR "/../services/mesh/klortho_esummary_mesh_v2.xml");
        FakeEutilsServer server;
        server.setHandler(kESearch, [](const QUrl &url) {
            const QUrlQuery query(url);
            if (query.queryItemValue(QStringLiteral("db")) == QLatin1String("mesh"))
                return FakeResponse::xml("<eSearchResult><Count>1</Count><IdList><Id>67414177</Id></IdList></eSearchResult>");
            if (query.queryItemValue(QStringLiteral("rettype")) != QLatin1String("count"))
                return FakeResponse::xml(FakeEutilsServer::esearchAnswer(3, 0, 3));
            const int from = query.queryItemValue(QStringLiteral("mindate")).toInt();
            const int to = query.queryItemValue(QStringLiteral("maxdate")).toInt();
            const int count = (from <= 2019 && to >= 2019 ? 7 : 0) + (from <= 2021 && to >= 2021 ? 3 : 0);
            return FakeResponse::xml("<eSearchResult><Count>" + QByteArray::number(count) + "</Count></eSearchResult>");
        });
        server.setHandler(QLatin1String(Paths::ESummary), [&summary](const QUrl &) { return FakeResponse::xml(summary); });
        server.serveEfetch();
        const CliRun run = runCli(args + QStringList{QStringLiteral("--eutils"), server.origin().toString()});
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2((exitCode == 2 ? run.err : run.out).contains(out), (run.out + run.err).constData());
        const QList<QUrl> urls = server.requestUrls();
        QCOMPARE(urls.isEmpty() ? QString() : QUrlQuery(urls.constFirst()).queryItemValue(QStringLiteral("term"), QUrl::FullyDecoded),
                 firstTerm);
    }

    void link_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QString>("err");
        QTest::addColumn<QString>("elinkQuery"); // what follows the fixed parameters
        QTest::addColumn<int>("efetches");
        QTest::newRow("cited by, union, newest first")
            << QStringList{"--cited-by", "1", "2"} << 0 << QByteArray("7000\n500\n30\n") << "found 3 linked articles"
            << "linkname=pubmed_pubmed_citedin&cmd=neighbor&id=1,2" << 0;
        QTest::newRow("similar with scores, itself left out")
            << QStringList{"--similar", "--scores", "1"} << 0 << QByteArray("30\t999\n500\t998\n") << ""
            << "linkname=pubmed_pubmed&cmd=neighbor_score&id=1" << 0;
        QTest::newRow("references, each")
            << QStringList{"--references", "--each", "2", "1", "3"} << 0 << QByteArray("2\t500\t7000\n1\t30\t500\n3\n") << ""
            << "linkname=pubmed_pubmed_refs&cmd=neighbor&id=2&id=1&id=3" << 0;
        QTest::newRow("nothing cites it") << QStringList{"--cited-by", "3"} << 0 << QByteArray()
                                          << "No article in PubMed Central cites this article yet" << "" << 0;
        QTest::newRow("fetched in batches") << QStringList{"--cited-by", "--fetch", "--batch", "2", "1", "2"} << 0
                                            << QByteArray("7000 500 30") << "" << "" << 2;
        // Each record names only the PMIDs it cites: one link set asked for each.
        QTest::newRow("fetched as RIS, saying how") << QStringList{"--cited-by", "--fetch", "--format", "ris", "1", "2"} << 0
                                                    << QByteArray("7000:Cites PMID 2|500:Cites PMIDs 1, 2|30:Cites PMID 1")
                                                    << "" << "linkname=pubmed_pubmed_citedin&cmd=neighbor&id=1&id=2" << 1;
        QTest::newRow("ELink's error") << QStringList{"--cited-by", "--each", "1", "0"} << 1 << QByteArray()
                                       << "linked articles not found: ELink answered for PMID 0: Invalid uid 0 at position=0" << "" << 0;
        QTest::newRow("two kinds") << QStringList{"--cited-by", "--similar", "1"} << 2 << QByteArray()
                                   << "give one of --similar, --cited-by and --references" << "" << 0;
        QTest::newRow("not a PMID") << QStringList{"--references", "1&db=x"} << 2 << QByteArray() << "1&db=x is not a PMID" << "" << 0;
        QTest::newRow("iCite, cited by, union") << QStringList{"--cited-by", "--source", "icite", "1", "2"} << 0
                                                << QByteArray("7000\n500\n30\n") << "found 3 linked articles" << "" << 0;
        QTest::newRow("iCite, references, each") << QStringList{"--references", "--each", "--source", "icite", "2", "3"} << 0
                                                 << QByteArray("2\t30\n3\t30\n") << "" << "" << 0;
    }
    void link()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, out);
        QFETCH(QString, err);
        QFETCH(QString, elinkQuery);
        QFETCH(int, efetches);
        FakeEutilsServer server;
        const QHash<QString, QStringList> links{{"1", {"30", "500"}}, {"2", {"500", "7000"}}};
        server.serveElink([&links](const QString &pmid, const QString &) { return links.value(pmid); });
        server.serveEfetch();
        serveIcite(server);
        // ELink's rows ask it by name; iCite is the default.
        const QStringList source = args.contains(QStringLiteral("--source")) ? QStringList() : QStringList{"--source", "pmc"};
        const CliRun run = runCli(QStringList{QStringLiteral("link")} + args + source
                                  + QStringList{"--eutils", server.origin().toString(), "--services", server.origin().toString()});
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.err.contains(err.toUtf8()), run.err.constData());
        if (args.contains(QStringLiteral("ris"))) {
            // "PMID:note" for each record: the note its N1 line gives.
            const QStringList records = QString::fromUtf8(run.out).split(QStringLiteral("ER  - "));
            for (const QString &expected : QString::fromLatin1(out).split(u'|')) {
                const QStringList own = records.filter(QStringLiteral("AN  - %1\r\n").arg(expected.section(u':', 0, 0)));
                QCOMPARE(own.size(), 1);
                QVERIFY2(own[0].contains("N1  - " + expected.section(u':', 1) + "\r\n"), qPrintable(own[0]));
            }
        }
        else if (efetches > 0)
            QCOMPARE(pmidsOfJsonLines(run.out).join(u' ').toLatin1(), out);
        else
            QCOMPARE(run.out, out);
        QCOMPARE(server.requestCount(kEFetch), efetches);
        if (!elinkQuery.isEmpty())
            QCOMPARE(server.requestTargets().value(0), kELink + "?dbfrom=pubmed&db=pubmed&" + elinkQuery + "&tool=vexmoor");
        QCOMPARE(server.requestCount(kIcite), source.isEmpty() ? 1 : 0);
    }

    // vexmoor-cli match: a line per reference with its PMID and how it was
    // found (exit 1 while one is not), or with --format the records found,
    // each file record naming its reference.
    void match_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("out"); // all of it, or a part of the file
        QTest::newRow("lines, one not found") << QStringList{"-"} << 1
                                              << QByteArray("39000005\tcitation match\tLee C. Lectins revisited today. Cell. 2001;7:11.\n"
                                                            "\tnot found\tOh F. Nothing anywhere matches this title. 2004.\n");
        QTest::newRow("records, found as") << QStringList{"--format", "ris"} << 1
                                           << QByteArray("N1  - Lee C. Lectins revisited today. Cell. 2001;7:11.\r\n");
    }
    void match()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, out);
        FakeEutilsServer server;
        server.serveEfetch();
        server.setHandler(QLatin1String(Paths::ECitMatch), [](const QUrl &) { return FakeResponse::xml("cell|2001|7|11|lee c|0|39000005\n"); });
        server.setHandler(kESearch, [](const QUrl &) { return FakeResponse::xml(FakeEutilsServer::esearchAnswer(0, 0, 5)); });
        const CliRun run = runCli(QStringList{QStringLiteral("match")} + args
                                      + QStringList{"--eutils", server.origin().toString(), "--services", server.origin().toString()},
                                  "1. Lee C. Lectins revisited today. Cell. 2001;7:11.\n2. Oh F. Nothing anywhere matches this title. 2004.\n");
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.out.contains(out), run.out.constData());
        QVERIFY2(run.err.contains("1 of 2 references found"), run.err.constData());
        QCOMPARE(server.requestCount(kEFetch), args.contains(QStringLiteral("--format")) ? 1 : 0);
    }

    // 10,050 matches in batches of 4,000: windows (0,4000), (4000,4000) and
    // (8000,1999), the last cut to end at the 9,999 PMIDs ESearch serves; then
    // a stop with the window's note, which is no failure.
    void stopsAtTheServiceLimit()
    {
        FakeEutilsServer server;
        server.serveEsearch(10050);
        server.setHandler(kEFetch, briefRecordsFor);
        const CliRun run = runSearch(server, {QStringLiteral("x"), QStringLiteral("--all"), QStringLiteral("--batch"), QStringLiteral("4000")});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out.count('\n'), 9999);
        QStringList esearches = server.requestTargets().filter(QStringLiteral("esearch.fcgi"));
        QCOMPARE(esearches.size(), 3);
        QVERIFY(esearches.at(2).contains(QLatin1String("retstart=8000&retmax=1999&")));
        QVERIFY2(run.err.endsWith("found 10050 articles, downloaded 9999 titles (PubMed serves only the first 9999 "
                                  "matches; narrow the search to see the others)\n"),
                 run.err.constData());
    }

    // More matches than ESearch serves of one query (9,999): --past-limit
    // reads them all through PMID ranges, each PMID once and highest first,
    // at the pace the API key allows, from a service that refuses any faster.
    // A query within the limit pages as usual, without ranges.
    void pastLimitReadsEveryMatchOnce_data()
    {
        QTest::addColumn<int>("matches");
        QTest::newRow("25,000") << 25000;
        QTest::newRow("one past the limit") << 10000;
        QTest::newRow("at the limit") << 9999;
    }
    void pastLimitReadsEveryMatchOnce()
    {
        QFETCH(int, matches);
        // Consecutive PMIDs, so that the cut between two ranges always falls
        // next to one, and the two extremes a PMID can take; served in no
        // particular order.
        QList<qint64> pmids{1, 9999999999};
        for (qint64 pmid = 38000000; pmids.size() < matches; ++pmid)
            pmids.append(pmid);
        std::shuffle(pmids.begin(), pmids.end(), std::mt19937(13));
        FakeEutilsServer server;
        server.serveEsearchOf(pmids);
        server.setHandler(kEFetch, briefRecordsFor);
        server.enforceRateLimit();

        const CliRun run = runSearch(server, {QStringLiteral("x"), QStringLiteral("--all"), QStringLiteral("--past-limit"),
                                              QStringLiteral("--batch"), QStringLiteral("10000"), QStringLiteral("--api-key"),
                                              QStringLiteral("0123abcd")});
        QVERIFY2(run.exitCode == 0, run.err.constData());
        // Paged, they come in the service's order.
        if (matches > kEsearchRecordLimit)
            std::sort(pmids.begin(), pmids.end(), std::greater<>());
        QStringList expected;
        for (const qint64 pmid : std::as_const(pmids))
            expected.append(QString::number(pmid));
        const QStringList printed = pmidsOfJsonLines(run.out);
        QCOMPARE(printed.size(), expected.size());
        QCOMPARE(printed, expected);
        QCOMPARE(server.throttledCount(), 0);
        // Every window read whole from its start; none past what ESearch serves.
        bool ranged = false;
        for (const QUrl &url : server.requestUrls()) {
            if (url.path() == kESearch) {
                QCOMPARE(QUrlQuery(url).queryItemValue(QStringLiteral("retstart")), QStringLiteral("0"));
                ranged = ranged
                    || QUrlQuery(url).queryItemValue(QStringLiteral("term"), QUrl::FullyDecoded).contains(QLatin1String("[uid]"));
            }
        }
        QCOMPARE(ranged, matches > kEsearchRecordLimit);
    }

    // Who asks comes from the options, else from the environment, and goes
    // with every request; the key stays out of what the program prints, even
    // when a failure quotes it.
    void identity_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("environment");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("email");
        const QString key = QStringLiteral("0123456789abcdef0123456789abcdef0a1b");
        const QString otherKey = QStringLiteral("fedcba9876543210fedcba9876543210f0e1");
        const QString email = QStringLiteral("jo.doe+lab@example.org");
        QTest::newRow("options") << QStringList{QStringLiteral("--api-key"), key, QStringLiteral("--email"), email}
                                 << QStringList() << key << email;
        QTest::newRow("environment") << QStringList()
                                     << QStringList{QStringLiteral("NCBI_API_KEY=") + key, QStringLiteral("NCBI_EMAIL=") + email}
                                     << key << email;
        QTest::newRow("an option before the environment")
            << QStringList{QStringLiteral("--api-key"), key}
            << QStringList{QStringLiteral("NCBI_API_KEY=") + otherKey, QStringLiteral("NCBI_EMAIL=") + email} << key << email;
        QTest::newRow("neither") << QStringList() << QStringList() << QString() << QString();
    }
    void identity()
    {
        QFETCH(QStringList, args);
        QFETCH(QStringList, environment);
        QFETCH(QString, key);
        QFETCH(QString, email);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("NCBI_API_KEY"));
        env.remove(QStringLiteral("NCBI_EMAIL"));
        for (const QString &variable : std::as_const(environment))
            env.insert(variable.section(QLatin1Char('='), 0, 0), variable.section(QLatin1Char('='), 1));
        FakeEutilsServer server;
        server.serveEsearch(45);
        int fetches = 0;
        server.setHandler(kEFetch, [&](const QUrl &url) {
            if (++fetches < 3)
                return briefRecordsFor(url);
            // The service's refusal of a key, quoted back in the status line.
            FakeResponse refusal = FakeResponse::html(400, "<html><body>API key invalid</body></html>\n");
            refusal.reasonPhrase = "API key invalid: " + QUrlQuery(url).queryItemValue(QStringLiteral("api_key")).toLatin1();
            return refusal;
        });

        const CliRun run = runSearch(server, QStringList{QStringLiteral("x"), QStringLiteral("--all")} + args, env);
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("download failed: the service answered HTTP 400 API key invalid"), run.err.constData());
        QCOMPARE(server.requests().size(), 6);
        for (const FakeRequest &request : server.requests()) {
            const QUrlQuery query(request.url);
            QCOMPARE(query.queryItemValue(QStringLiteral("tool")), QStringLiteral("vexmoor"));
            QCOMPARE(query.queryItemValue(QStringLiteral("api_key")), key);
            QCOMPARE(query.queryItemValue(QStringLiteral("email"), QUrl::FullyDecoded), email);
            QCOMPARE(query.hasQueryItem(QStringLiteral("api_key")), !key.isEmpty());
            QCOMPARE(query.hasQueryItem(QStringLiteral("email")), !email.isEmpty());
        }
        if (!key.isEmpty()) {
            QVERIFY2(!run.err.contains(key.toLatin1()), run.err.constData());
            QVERIFY(!run.out.contains(key.toLatin1()));
        }
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no query") << QStringList();
        QTest::newRow("blank query") << QStringList{QStringLiteral("  \n")};
        QTest::newRow("batch of zero") << QStringList{QStringLiteral("x"), QStringLiteral("--batch"), QStringLiteral("0")};
        QTest::newRow("unknown format") << QStringList{QStringLiteral("x"), QStringLiteral("--format"), QStringLiteral("pdf")};
        QTest::newRow("service with a path") << QStringList{QStringLiteral("x"), QStringLiteral("--eutils"), QStringLiteral("http://127.0.0.1:1/entrez")};
        QTest::newRow("not a web address") << QStringList{QStringLiteral("x"), QStringLiteral("--eutils"), QStringLiteral("ftp://127.0.0.1")};
    }
    void usageErrors()
    {
        QFETCH(QStringList, args);
        const CliRun run = runCli(QStringList{QStringLiteral("search")} + args);
        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.out.isEmpty());
        QVERIFY(!run.err.isEmpty());
    }
};

QTEST_GUILESS_MAIN(SearchCliTest)
#include "SearchCliTest.moc"
