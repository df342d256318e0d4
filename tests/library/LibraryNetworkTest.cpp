// What reaches the library from the service: the checks of saved searches
// and the history of a session, against the fake E-utilities server.
#include "TemporaryLibrary.h"
#include "FakeEutilsServer.h"
#include "library/HistoryRecorder.h"
#include "library/LibraryStore.h"
#include "library/SavedSearchCheck.h"
#include "search/SearchSession.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kESearch = QLatin1String(Paths::ESearch);

QByteArray esearchOf(const QStringList &pmids)
{
    QByteArray ids;
    for (const QString &pmid : pmids)
        ids += "<Id>" + pmid.toLatin1() + "</Id>";
    return "<?xml version=\"1.0\"?><eSearchResult><Count>" + QByteArray::number(pmids.size()) + "</Count><RetMax>"
           + QByteArray::number(pmids.size()) + "</RetMax><RetStart>0</RetStart><IdList>" + ids
           + "</IdList><QueryTranslation>\"asthma\"[MeSH Terms]</QueryTranslation></eSearchResult>";
}

} // namespace

class LibraryNetworkTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_store.open()); }
    void cleanup() { m_store.remove(); }

    // The first search of each row is checked with the answer given; the
    // second, sound one is checked after it whatever happened.
    void checksAskForWhatWasAdded_data()
    {
        QTest::addColumn<bool>("checkedBefore");
        QTest::addColumn<QByteArray>("answer"); // "" for a failing service
        QTest::addColumn<QString>("dates");     // what the request adds to the term
        QTest::addColumn<QStringList>("added"); // empty and "failed" when the check failed
        const QByteArray found = esearchOf({"7", "8", "9"});
        QTest::newRow("first check") << false << found << "" << QStringList();
        QTest::newRow("since the day before the last check")
            << true << found << "&datetype=edat&mindate=2026/02/28&maxdate=3000" << QStringList{"8", "9"};
        QTest::newRow("service fails") << true << QByteArray() << "&datetype=edat&mindate=2026/02/28&maxdate=3000"
                                       << QStringList{"failed"};
        QTest::newRow("not a search result") << true << QByteArray("<html>maintenance</html>") << "&datetype=edat&mindate=2026/02/28&maxdate=3000"
                                             << QStringList{"failed"};
    }

    void checksAskForWhatWasAdded()
    {
        QFETCH(bool, checkedBefore);
        QFETCH(QByteArray, answer);
        QFETCH(QString, dates);
        QFETCH(QStringList, added);
        SavedSearch search;
        search.name = QStringLiteral("asthma");
        search.query = QStringLiteral("asthma");
        search.sort = SortOrder::PubDate;
        search.id = m_store->addSavedSearch(search);
        const QDateTime lastCheck(QDate(2026, 3, 1), QTime(6, 30), Qt::UTC);
        if (checkedBefore)
            QVERIFY(m_store->recordCheck(search.id, {QStringLiteral("7")}, lastCheck));
        search = *m_store->savedSearch(search.name);
        SavedSearch other;
        other.name = QStringLiteral("copd");
        other.query = QStringLiteral("copd");
        QVERIFY(m_store->addSavedSearch(other));
        other = *m_store->savedSearch(other.name);

        FakeEutilsServer server;
        server.enqueue(kESearch, answer.isEmpty() ? FakeResponse::html(400, "Bad Request") : FakeResponse::xml(answer));
        server.enqueue(kESearch, FakeResponse::xml(esearchOf({"1"})));
        CheckSettings settings{server.endpoints(), {}, {}, {}};
        settings.retries.msPerSecond = 5;
        SavedSearchCheck check(*m_store, settings);
        QStringList outcome;
        connect(&check, &SavedSearchCheck::checked, this, [&](const SavedSearch &s, const QStringList &pmids) {
            if (s.id == search.id)
                outcome = pmids;
        });
        connect(&check, &SavedSearchCheck::failed, this, [&](const SavedSearch &s) {
            if (s.id == search.id)
                outcome = QStringList{QStringLiteral("failed")};
        });
        QSignalSpy finished(&check, &SavedSearchCheck::finished);
        QVERIFY(check.start({search, other}));
        QVERIFY(finished.wait(20000));

        QCOMPARE(outcome, added);
        const QString target = server.requestTargets().value(0);
        QVERIFY2(target.contains(QStringLiteral("&term=asthma&sort=pub_date") + dates + QStringLiteral("&tool=")), qPrintable(target));
        QVERIFY(!server.requestTargets().value(1).contains(QStringLiteral("datetype")));
        const bool failed = added == QStringList{QStringLiteral("failed")};
        const SavedSearch after = *m_store->savedSearch(search.name);
        QCOMPARE(after.lastChecked == (checkedBefore ? lastCheck : QDateTime()), failed);
        QCOMPARE(*m_store->newPmids(search.id), failed ? QStringList() : QStringList(added.crbegin(), added.crend()));
        QVERIFY(m_store->savedSearch(other.name)->wasChecked());
    }

    // More new matches than one answer serves are read range by range, up
    // to a bound; past it the check fails and leaves the search as it was.
    void checksReadPastWhatOneAnswerServes_data()
    {
        QTest::addColumn<int>("matches");
        QTest::addColumn<int>("added"); // -1: the check failed
        QTest::newRow("12,000 new") << 12000 << 12000;
        QTest::newRow("more than a check reads") << int(SavedSearchCheck::kMaxNewPerCheck) + 1 << -1;
    }
    void checksReadPastWhatOneAnswerServes()
    {
        QFETCH(int, matches);
        QFETCH(int, added);
        SavedSearch search;
        search.name = search.query = QStringLiteral("asthma");
        search.id = m_store->addSavedSearch(search);
        const QDateTime lastCheck(QDate(2026, 3, 1), QTime(6, 30), Qt::UTC);
        QVERIFY(m_store->recordCheck(search.id, {QStringLiteral("7")}, lastCheck));
        search = *m_store->savedSearch(search.name);
        // Spread over every PMID there may be, so that few ranges hold them.
        QList<qint64> pmids;
        for (int i = 0; i < matches; ++i)
            pmids.append(1 + qint64(i) * (Q_INT64_C(9999999999) / matches));
        FakeEutilsServer server;
        server.serveEsearchOf(pmids);
        SavedSearchCheck check(*m_store, {server.endpoints(), {}, {}, {}});
        QSignalSpy checked(&check, &SavedSearchCheck::checked);
        QSignalSpy finished(&check, &SavedSearchCheck::finished);
        QVERIFY(check.start({search}));
        QVERIFY(finished.wait(20000));
        QCOMPARE(checked.isEmpty() ? -1 : int(checked.at(0).at(1).toStringList().size()), added);
        QCOMPARE(m_store->newPmids(search.id)->size(), qMax(added, 0));
        QCOMPARE(m_store->savedSearch(search.name)->lastChecked == lastCheck, added < 0);
    }

    // Cancelled from a slot and started again at once: the run cancelled
    // leaves no step behind that would check twice or finish the new one.
    void cancelledChecksLeaveNothingBehind()
    {
        QList<SavedSearch> searches;
        for (const QString &name : {QStringLiteral("asthma"), QStringLiteral("copd")}) {
            SavedSearch search;
            search.name = search.query = name;
            QVERIFY(m_store->addSavedSearch(search));
            searches.append(*m_store->savedSearch(name));
        }
        FakeEutilsServer server;
        server.setHandler(kESearch, [](const QUrl &) { return FakeResponse::xml(esearchOf({"1"})); });
        SavedSearchCheck check(*m_store, {server.endpoints(), {}, {}, {}});
        QSignalSpy checked(&check, &SavedSearchCheck::checked);
        QSignalSpy finished(&check, &SavedSearchCheck::finished);
        connect(&check, &SavedSearchCheck::checked, this, [&](const SavedSearch &search) {
            if (search.name == QLatin1String("asthma")) {
                check.cancel();
                QVERIFY(check.start({searches[1]}));
            }
        });
        QVERIFY(check.start(searches));
        QVERIFY(finished.wait(20000));
        QCOMPARE(checked.size(), 2);
        QCOMPARE(server.requestCount(kESearch), 2);
        QCOMPARE(finished.size(), 1);
    }

    // A search is in the history from its start, with its answer once it came.
    void sessionsAreRecorded()
    {
        FakeEutilsServer server;
        server.setHandler(kESearch, [](const QUrl &) { return FakeResponse::xml(esearchOf({})); });
        SessionSettings settings;
        settings.endpoints = server.endpoints();
        SearchSession session(settings);
        HistoryRecorder recorder(*m_store, session);
        QSignalSpy recorded(&recorder, &HistoryRecorder::recorded);
        SearchFilters filters;
        filters.humans = true;
        recorder.setTypedQuery(QStringLiteral("#1"));
        QVERIFY(session.start(SearchSource::pubmedQuery(QStringLiteral("(asthma)"), SortOrder::Relevance, filters)));
        QCOMPARE(recorded.size(), 1);
        QCOMPARE(m_store->historyEntry(1)->resultCount, std::nullopt);
        QVERIFY(recorded.wait(10000));
        const HistoryEntry entry = *m_store->historyEntry(1);
        QCOMPARE(entry.source.query, QStringLiteral("#1"));
        QCOMPARE(entry.effectiveQuery, QStringLiteral("((asthma)) AND humans[mh]"));
        QCOMPARE(entry.resultCount, std::optional<qint64>(0));
        QCOMPARE(entry.translation, QStringLiteral("\"asthma\"[MeSH Terms]"));
        QVERIFY(session.start(SearchSource::pubmedQuery(QStringLiteral("copd"))));
        QCOMPARE(m_store->historyEntry(2)->source.query, QStringLiteral("copd"));
    }

private:
    TemporaryLibrary m_store;
};

QTEST_GUILESS_MAIN(LibraryNetworkTest)
#include "LibraryNetworkTest.moc"
