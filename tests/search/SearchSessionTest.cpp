// One result set's life without a window: its batches, its messages, the
// batch offered again after a failure, a new search or a cancel ending the
// running one, and many sessions keeping the service's pace together.
#include "FakeEutilsServer.h"
#include "HeldThreadPool.h"
#include "common/SystemLog.h"
#include "search/CitedByCounts.h"
#include "search/SearchMessages.h"
#include "search/SearchSession.h"
#include "search/SelectionLinkCounts.h"

#include <QScopeGuard>
#include <QSignalSpy>
#include <QUrlQuery>
#include <QTest>

namespace {
const QString kEfetchPath = QUrl(QLatin1String(Paths::EFetch)).path();

SessionSettings settingsFor(const FakeEutilsServer &server, int batchSize)
{
    SessionSettings settings;
    settings.endpoints = server.endpoints();
    settings.limits.timeoutMs = 3000;
    settings.retries.msPerSecond = 5;
    settings.batchSize = [batchSize] { return batchSize; };
    // Link sets from ELink's answers, unless a test asks for iCite.
    settings.citationSource = [] { return CitationSource::Pmc; };
    return settings;
}

// A per-PMID ELink answer for the PMIDs at positions 0, 1, ...: `counts[i]`
// citing links for each, none as a LinkSet without a LinkSetDb, -1 leaves the
// PMID out of the answer.
// iCite's records of the first PMIDs, each cited `counts` times (-1: not
// known to it), its RCR half that.
QByteArray iciteAnswer(const QList<int> &counts)
{
    QStringList records;
    for (int i = 0; i < counts.size(); ++i) {
        if (counts[i] >= 0)
            records.append(QStringLiteral(R"({"pmid": %1, "citation_count": %2, "relative_citation_ratio": %3})")
                               .arg(FakeEutilsServer::fakePmid(i)).arg(counts[i]).arg(counts[i] / 2.0));
    }
    return (QStringLiteral(R"({"data": [)") + records.join(u',') + QStringLiteral("]}")).toUtf8();
}

QByteArray perIdAnswer(const QList<int> &counts)
{
    QByteArray xml = "<?xml version=\"1.0\"?><eLinkResult>";
    for (int i = 0; i < counts.size(); ++i) {
        if (counts[i] < 0)
            continue;
        xml += "<LinkSet><DbFrom>pubmed</DbFrom><IdList><Id>" + FakeEutilsServer::fakePmid(i).toLatin1() + "</Id></IdList>";
        if (counts[i] > 0) {
            xml += "<LinkSetDb><DbTo>pubmed</DbTo><LinkName>pubmed_pubmed_citedin</LinkName>";
            for (int link = 0; link < counts[i]; ++link)
                xml += "<Link><Id>" + QByteArray::number(9000000 + link) + "</Id></Link>";
            xml += "</LinkSetDb>";
        }
        xml += "</LinkSet>";
    }
    return xml + "</eLinkResult>";
}

bool waitIdle(const SearchSession &session)
{
    return QTest::qWaitFor([&] { return !session.isBusy(); }, 20000);
}
} // namespace

Q_DECLARE_METATYPE(SearchSource)
Q_DECLARE_METATYPE(FakeResponse)

class SearchSessionTest : public QObject
{
    Q_OBJECT

private slots:
    // Each row: the rows, the message and the more offered after each batch.
    // A link set asks ELink once (the PMIDs 2 and 3, each linked to the
    // `matches` PMIDs 1001, 1002, ...) and pages through what it gave.
    void batchesOfASearch_data()
    {
        QTest::addColumn<int>("matches");
        QTest::addColumn<int>("batchSize");
        QTest::addColumn<QList<int>>("rows");
        QTest::addColumn<QList<int>>("more");
        QTest::addColumn<QString>("lastMessage");
        QTest::addColumn<SearchSource>("source");
        QTest::addColumn<QStringList>("ends"); // the first and last PMID shown
        const SearchSource query = SearchSource::pubmedQuery(QStringLiteral("q"));
        const SearchSource citing = SearchSource::linkedTo(LinkKind::CitedBy, {"2", "3"});
        QTest::newRow("45 by 20") << 45 << 20 << QList<int>{20, 40, 45} << QList<int>{20, 5, 0}
                                  << SearchMessages::foundDownloaded(45, 45) << query << QStringList();
        QTest::newRow("none") << 0 << 20 << QList<int>{0} << QList<int>{0} << SearchMessages::found(0) << query << QStringList();
        QTest::newRow("past what ESearch serves")
            << 12000 << 5000 << QList<int>{5000, 9999} << QList<int>{4999, 0}
            << SearchMessages::foundDownloadedAtLimit(12000, 9999) << query << QStringList();
        QTest::newRow("citing articles, 45 by 20, newest first")
            << 45 << 20 << QList<int>{20, 40, 45} << QList<int>{20, 5, 0} << SearchMessages::foundDownloaded(45, 45)
            << citing << QStringList{"1045", "1001"};
        // Pinned PMIDs come first in any sort; one no longer matching is left
        // out, unless it may lie beyond what ESearch serves.
        SearchSource pinned = SearchSource::pubmedQuery(QStringLiteral("q"), SortOrder::Relevance);
        pinned.pinned = {QStringLiteral("999"), FakeEutilsServer::fakePmid(44)};
        QTest::newRow("new ones first, by relevance")
            << 45 << 20 << QList<int>{20, 40, 45} << QList<int>{20, 5, 0} << SearchMessages::foundDownloaded(45, 45)
            << pinned << QStringList{FakeEutilsServer::fakePmid(44), FakeEutilsServer::fakePmid(43)};
        QTest::newRow("new ones first, past what ESearch serves")
            << 12000 << 5000 << QList<int>{5000, 9999} << QList<int>{4999, 0}
            << SearchMessages::foundDownloadedAtLimit(12000, 9999) << pinned
            << QStringList{FakeEutilsServer::fakePmid(44), FakeEutilsServer::fakePmid(9997)};
        QStringList listed;
        for (int i = 1; i <= 45; ++i)
            listed.append(QString::number(1000 + i));
        QTest::newRow("a pasted list, in its order")
            << 45 << 20 << QList<int>{20, 40, 45} << QList<int>{20, 5, 0} << SearchMessages::foundDownloaded(45, 45)
            << SearchSource::list(QStringLiteral("References pasted"), listed, listed) << QStringList{"1001", "1045"};
        QTest::newRow("nothing cites them") << 0 << 20 << QList<int>{0} << QList<int>{0}
                                            << SearchMessages::noLinkedArticles(LinkKind::CitedBy, 2) << citing << QStringList();
        QTest::newRow("ELink's error") << 3 << 20 << QList<int>{0} << QList<int>{0}
                                       << SearchMessages::linkFailed("ELink answered for PMID 0: Invalid uid 0 at position=0")
                                       << SearchSource::linkedTo(LinkKind::Similar, {"0"}) << QStringList();
    }
    void batchesOfASearch()
    {
        QFETCH(int, matches);
        QFETCH(int, batchSize);
        QFETCH(QList<int>, rows);
        QFETCH(QList<int>, more);
        QFETCH(QString, lastMessage);
        QFETCH(SearchSource, source);
        QFETCH(QStringList, ends);
        FakeEutilsServer server;
        server.serveEsearch(matches);
        server.serveElink([matches](const QString &, const QString &) {
            QStringList linked;
            for (int i = 1; i <= matches; ++i)
                linked.append(QString::number(1000 + i));
            return linked;
        });
        server.setHandler(kEfetchPath, [](const QUrl &url) {
            return FakeResponse::xml(FakeEutilsServer::briefEfetchAnswer(FakeEutilsServer::requestedIds(url)));
        });
        SearchSession session(settingsFor(server, batchSize));
        QSignalSpy appended(&session, &SearchSession::articlesAppended);
        QVERIFY(!session.start(SearchSource::pubmedQuery(QStringLiteral(" \t"))));
        QVERIFY(!session.start(SearchSource::linkedTo(LinkKind::Similar, {})));
        QVERIFY(session.start(source));
        for (int batch = 0; batch < rows.size(); ++batch) {
            QVERIFY(batch == 0 || session.fetchMore());
            QVERIFY(session.isBusy());
            QVERIFY(!session.fetchMore()); // never two transfers at once
            QVERIFY(waitIdle(session));
            QCOMPARE(session.articles().size(), rows[batch]);
            QCOMPARE(session.hasMore(), more[batch] > 0);
            if (session.hasMore())
                QCOMPARE(session.moreCount(), more[batch]);
        }
        QCOMPARE(session.message(), lastMessage);
        QCOMPARE(appended.size(), int(std::count_if(rows.begin(), rows.end(), [](int n) { return n > 0; })));
        QVERIFY(appended.isEmpty() || appended.first().first().toBool()); // the first batch says so
        QVERIFY(!session.fetchMore());
        const bool links = source.kind == SearchSource::Kind::Links;
        QCOMPARE(server.requestCount(QLatin1String(Paths::ELinkService)), links ? 1 : 0);
        // A pinned search asks ESearch once, for the whole list in its sort.
        if (!source.pinned.isEmpty()) {
            QCOMPARE(server.requestCount(QLatin1String(Paths::ESearch)), 1);
            const QUrlQuery asked(server.requestUrls().constFirst());
            QCOMPARE(asked.queryItemValue(QStringLiteral("retmax")), QString::number(kEsearchRecordLimit));
            QCOMPARE(asked.queryItemValue(QStringLiteral("sort")), QStringLiteral("relevance"));
        }
        if (!ends.isEmpty())
            QCOMPARE((QStringList{session.articles().constFirst().text(ArticleRecord::Key::PMID),
                                  session.articles().constLast().text(ArticleRecord::Key::PMID)}),
                     ends);
    }

    void aFailedBatchIsOfferedAgain()
    {
        FakeEutilsServer server;
        server.serveEsearch(45);
        server.serveEfetch();
        SearchSession session(settingsFor(server, 20));
        QVERIFY(session.start(SearchSource::pubmedQuery(QStringLiteral("q"))));
        QVERIFY(waitIdle(session));
        server.enqueue(kEfetchPath, FakeResponse::serverError(500));
        QVERIFY(session.fetchMore());
        QVERIFY(waitIdle(session));
        QVERIFY(session.message().startsWith(SearchMessages::downloadFailed(QString())));
        QVERIFY(session.hasMore());
        QCOMPARE(session.retStart(), 20);
        QCOMPARE(session.moreCount(), 20);
        QVERIFY(session.fetchMore());
        QVERIFY(waitIdle(session));
        QCOMPARE(session.articles().size(), 40);
        QCOMPARE(session.retStart(), 40);
    }

    // A new search, or a cancel, while a batch downloads: nothing of the
    // first search ever arrives.
    void theRunningSearchEnds_data()
    {
        QTest::addColumn<bool>("searchAgain");
        QTest::newRow("a new search") << true;
        QTest::newRow("cancel") << false;
    }
    void theRunningSearchEnds()
    {
        QFETCH(bool, searchAgain);
        FakeEutilsServer server;
        server.serveEsearch(45);
        server.setHandler(kEfetchPath, [](const QUrl &url) {
            FakeResponse slow = FakeResponse::xml(FakeEutilsServer::efetchAnswer(FakeEutilsServer::requestedIds(url)));
            slow.delayMs = 300;
            return slow;
        });
        SearchSession session(settingsFor(server, 20));
        QSignalSpy appended(&session, &SearchSession::articlesAppended);
        QVERIFY(session.start(SearchSource::pubmedQuery(QStringLiteral("first"))));
        QVERIFY(QTest::qWaitFor([&] { return session.activity() == SearchSession::Activity::Downloading; }, 5000));
        if (searchAgain) {
            QVERIFY(session.start(SearchSource::pubmedQuery(QStringLiteral("second"))));
            QCOMPARE(session.source().query, QStringLiteral("second"));
            QCOMPARE(session.message(), SearchMessages::searching()); // no old count over the emptied table
            QVERIFY(waitIdle(session));
            QCOMPARE(appended.size(), 1);
            QCOMPARE(session.articles().size(), 20);
            QCOMPARE(session.message(), SearchMessages::foundDownloaded(45, 20));
        } else {
            session.cancel();
            QVERIFY(!session.isBusy());
            QTest::qWait(500);
            QCOMPARE(appended.size(), 0);
            QVERIFY(session.articles().isEmpty());
            QVERIFY(!session.hasMore());
            QCOMPARE(session.message(), SearchMessages::canceled());
        }
    }

    // One ELink request per batch fills the counts, or from iCite (the
    // source the settings name) one request of up to 200 PMIDs; whatever
    // fails leaves them unknown with one log line, and a new search never
    // takes the answer meant for the last one.
    void citedByCountsOfABatch_data()
    {
        QTest::addColumn<FakeResponse>("answer");
        QTest::addColumn<bool>("searchAgain"); // while the answer is on its way
        QTest::addColumn<QList<int>>("counts"); // -1: unknown
        QTest::addColumn<int>("logLines");
        QTest::addColumn<bool>("icite");
        const QList<int> unknown{-1, -1, -1, -1, -1};
        QTest::newRow("per PMID, one left out") << FakeResponse::xml(perIdAnswer({3, 0, -1, 12, 1})) << false
                                                << QList<int>{3, 0, -1, 12, 1} << 0 << false;
        QTest::newRow("ELink's error") << FakeResponse::xml("<eLinkResult><ERROR>Some error</ERROR></eLinkResult>")
                                       << false << unknown << 1 << false;
        QTest::newRow("HTTP 500") << FakeResponse::serverError(500) << false << unknown << 1 << false;
        QTest::newRow("not a link set") << FakeResponse::xml("<eSearchResult/>") << false << unknown << 1 << false;
        QByteArray united = perIdAnswer({2});
        united.replace("</Id></IdList>", "</Id><Id>" + FakeEutilsServer::fakePmid(1).toLatin1() + "</Id></IdList>");
        QTest::newRow("a union of two PMIDs counts for neither") << FakeResponse::xml(united) << false << unknown << 0 << false;
        QTest::newRow("a new search drops the late answer")
            << FakeResponse::xml(perIdAnswer({7, 7, 7, 7, 7})) << true << QList<int>{3, 0, -1, 12, 1} << 0 << false;
        QTest::newRow("iCite, one it does not know") << FakeResponse::xml(iciteAnswer({3, 0, -1, 12, 1})) << false
                                                     << QList<int>{3, 0, -1, 12, 1} << 0 << true;
        QTest::newRow("iCite, not its answer") << FakeResponse::xml("<html>busy</html>") << false << unknown << 1 << true;
        QTest::newRow("iCite, a new search drops the late answer")
            << FakeResponse::xml(iciteAnswer({7, 7, 7, 7, 7})) << true << QList<int>{3, 0, -1, 12, 1} << 0 << true;
    }
    void citedByCountsOfABatch()
    {
        QFETCH(FakeResponse, answer);
        QFETCH(bool, searchAgain);
        QFETCH(QList<int>, counts);
        QFETCH(int, logLines);
        QFETCH(bool, icite);
        QStringList log;
        setSystemLogSink([&log](const QString &line) { log.append(line); });
        const auto restoreLog = qScopeGuard([] { setSystemLogSink({}); });
        FakeEutilsServer server;
        server.serveEsearch(5);
        server.serveEfetch();
        const QString elinkPath = QLatin1String(Paths::ELinkService);
        const QString path = icite ? QLatin1String(Paths::IcitePubs) : elinkPath;
        answer.delayMs = searchAgain ? 600 : 0;
        server.enqueue(path, answer);
        server.enqueue(path, FakeResponse::xml(icite ? iciteAnswer({3, 0, -1, 12, 1}) : perIdAnswer({3, 0, -1, 12, 1})));
        SessionSettings settings = settingsFor(server, 20);
        settings.citedByCounts = [] { return true; };
        settings.citationSource = [icite] { return icite ? CitationSource::Icite : CitationSource::Pmc; };
        SearchSession session(settings);
        QVERIFY(session.start(SearchSource::pubmedQuery(QStringLiteral("q"))));
        QVERIFY(QTest::qWaitFor([&] { return server.requestCount(path) == 1; }, 10000));
        if (searchAgain)
            QVERIFY(session.start(SearchSource::pubmedQuery(QStringLiteral("q"))));
        QVERIFY(waitIdle(session));
        QVERIFY(QTest::qWaitFor([&] { return !session.citedBy().isBusy(); }, 10000));
        QTest::qWait(searchAgain ? 800 : 0); // past the late answer
        for (int i = 0; i < counts.size(); ++i) {
            QCOMPARE(session.citedBy().countOf(FakeEutilsServer::fakePmid(i)).value_or(-1), counts[i]);
            if (icite && counts[i] >= 0)
                QCOMPARE(session.citedBy().metricsOf(FakeEutilsServer::fakePmid(i))->rcr.value_or(-1), counts[i] / 2.0);
        }
        QCOMPARE(log.size(), logLines);
        const QStringList pmids{FakeEutilsServer::fakePmid(0), FakeEutilsServer::fakePmid(1), FakeEutilsServer::fakePmid(2),
                                FakeEutilsServer::fakePmid(3), FakeEutilsServer::fakePmid(4)};
        const FakeRequest &request = server.requests().last();
        if (icite) {
            // One GET of the batch's PMIDs; ELink is never asked.
            QCOMPARE(request.method, QByteArray("GET"));
            QCOMPARE(QUrlQuery(request.url).queryItemValue(QStringLiteral("pmids")), pmids.join(u','));
            QCOMPARE(server.requestCount(elinkPath), 0);
        } else {
            // One POST per batch, one id= per PMID, asking for the citing articles only.
            QCOMPARE(request.method, QByteArray("POST"));
            QCOMPARE(QUrlQuery(request.url).allQueryItemValues(QStringLiteral("id")), pmids);
            QCOMPARE(QUrlQuery(request.url).queryItemValue(QStringLiteral("linkname")), QStringLiteral("pubmed_pubmed_citedin"));
        }
        QCOMPARE(server.requestCount(path), searchAgain ? 2 : 1);
    }

    // The selected article's ELink answer is read on the process's pool: held,
    // the counts wait however long the answer has been in.
    void selectionCountsAreReadOffTheCallersThread()
    {
        FakeEutilsServer server;
        server.enqueue(QLatin1String(Paths::ELinkService), FakeResponse::xml(perIdAnswer({7})));
        SelectionLinkCounts counts(settingsFor(server, 20));
        QSignalSpy known(&counts, &SelectionLinkCounts::countsKnown);
        {
            HeldThreadPool held;
            counts.select(FakeEutilsServer::fakePmid(0));
            QVERIFY(QTest::qWaitFor([&] { return server.requestCount(QLatin1String(Paths::ELinkService)) == 1; }, 10000));
            QTest::qWait(1000); // the answer is in long before
            QCOMPARE(known.size(), 0);
        }
        QVERIFY(known.wait(10000));
        QCOMPARE(known.at(0).at(1).value<ArticleLinkCounts>().citedBy, 7);
    }

    // Ten sessions searching at once keep the service's pace between them.
    void sessionsShareThePace()
    {
        FakeEutilsServer server;
        server.serveEsearch(5);
        server.serveEfetch();
        server.enforceRateLimit();
        std::vector<std::unique_ptr<SearchSession>> sessions;
        for (int i = 0; i < 10; ++i) {
            sessions.push_back(std::make_unique<SearchSession>(settingsFor(server, 20)));
            QVERIFY(sessions.back()->start(SearchSource::pubmedQuery(QString::number(i))));
        }
        for (const auto &session : sessions) {
            QVERIFY(waitIdle(*session));
            QVERIFY2(session->articles().size() == 5, qPrintable(session->message()));
        }
        QCOMPARE(server.throttledCount(), 0);
        QCOMPARE(server.requests().size(), 20);
    }
};

QTEST_MAIN(SearchSessionTest)
#include "SearchSessionTest.moc"
