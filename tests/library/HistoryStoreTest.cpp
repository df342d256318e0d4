#include "TemporaryLibrary.h"
#include "library/HistoryMessages.h"
#include "library/LibraryStore.h"
#include "library/RecentSearchesImport.h"
#include "preferences/RecentSearches.h"
#include "search/SearchSourceCodec.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(SearchSource)

class HistoryStoreTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_store.open()); }
    void cleanup() { m_store.remove(); }

    // Each step: "check PMIDs...", "mark" (all seen), "seen PMIDs...",
    // "edit" or "rename", for the search watched; "other check PMIDs..." for
    // a second one. The last check's answer and the new PMIDs afterwards,
    // the second search's after a bar when it was checked.
    void checksReportOnlyWhatIsNew_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("lastAdded");
        QTest::addColumn<QString>("newAfter");
        QTest::newRow("first check marks all seen") << QStringList{"check 1 2 3"} << "" << "";
        QTest::newRow("new since the last check") << QStringList{"check 1 2", "check 1 2 3 4"} << "3 4" << "4 3";
        QTest::newRow("new stays new until marked seen")
            << QStringList{"check 5", "check 5 9", "check 5 9 7"} << "7" << "7 9";
        QTest::newRow("marked seen") << QStringList{"check 1", "check 1 2", "mark", "check 1 2 3"} << "3" << "3";
        QTest::newRow("edited query keeps the seen set") << QStringList{"check 1 2", "edit", "check 1 2 3"} << "3" << "3";
        QTest::newRow("renamed keeps the seen set") << QStringList{"check 1 2", "rename", "check 2 3"} << "3" << "3";
        QTest::newRow("a PMID that comes back is not new") << QStringList{"check 1 2", "check 2", "check 1 2"} << "" << "";
        QTest::newRow("ids that are no PMIDs are dropped") << QStringList{"check 1", "check 2 x&y 99999999999"} << "2" << "2";
        QTest::newRow("marked seen, another search's stay new")
            << QStringList{"check 1", "other check 1", "check 1 2", "other check 1 2", "mark"} << "2" << " | 2";
        QTest::newRow("only those shown marked seen")
            << QStringList{"check 1", "other check 1", "check 1 2 3", "other check 1 2 3", "seen 2"} << "2 3" << "3 | 3 2";
    }

    void checksReportOnlyWhatIsNew()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, lastAdded);
        QFETCH(QString, newAfter);
        SavedSearch search;
        search.name = QStringLiteral("watch");
        search.query = QStringLiteral("asthma");
        const qint64 id = m_store->addSavedSearch(search);
        QVERIFY2(id > 0, qPrintable(m_store->error()));
        search.name = QStringLiteral("other");
        const qint64 other = m_store->addSavedSearch(search);
        QDateTime when(QDate(2026, 3, 1), QTime(7, 0), Qt::UTC);
        QStringList added;
        for (const QString &step : steps) {
            QStringList words = step.split(QLatin1Char(' '));
            const bool second = words[0] == QLatin1String("other");
            if (second)
                words.removeFirst();
            if (words[0] == QLatin1String("check")) {
                when = second ? when : when.addDays(1);
                const auto result = m_store->recordCheck(second ? other : id, words.mid(1), when);
                QVERIFY2(result, qPrintable(m_store->error()));
                added = *result;
            } else if (words[0] == QLatin1String("mark")) {
                QVERIFY(m_store->markAllSeen(id));
            } else if (words[0] == QLatin1String("seen")) {
                QVERIFY(m_store->markSeen(id, words.mid(1)));
            } else if (words[0] == QLatin1String("edit")) {
                QVERIFY(m_store->editSavedSearch(id, QStringLiteral("asthma AND child"), SortOrder::PubDate, {}));
            } else {
                QVERIFY(m_store->renameSavedSearch(id, QStringLiteral("renamed")));
            }
        }
        QCOMPARE(added.join(QLatin1Char(' ')), lastAdded);
        const bool otherChecked = m_store->savedSearch(search.name)->wasChecked();
        QCOMPARE(m_store->newPmids(id)->join(QLatin1Char(' '))
                     + (otherChecked ? QStringLiteral(" | ") + m_store->newPmids(other)->join(QLatin1Char(' ')) : QString()),
                 newAfter);
        const QList<SavedSearch> all = *m_store->savedSearches();
        QCOMPARE(all.size(), 2);
        QCOMPARE(all[1].newCount, int(m_store->newPmids(id)->size()));
        QCOMPARE(all[1].lastChecked, when);
    }

    // Numbers are never reused; entries come back newest first as recorded.
    void historyKeepsNumbersAndSources()
    {
        SearchFilters filters;
        filters.yearFrom = 2015;
        filters.english = true;
        const QList<SearchSource> sources = {SearchSource::pubmedQuery(QStringLiteral("asthma"), SortOrder::Relevance, filters),
                                             SearchSource::linkedTo(LinkKind::CitedBy, {"30514039", "28504498", "28603238"}),
                                             SearchSource::pubmedQuery(QStringLiteral(" asthma "))};
        // Searched east and west of UTC: each time reads back as the same
        // moment, with the offset it was written with.
        const QList<QDateTime> started = {QDateTime(QDate(2026, 3, 1), QTime(9, 30), Qt::OffsetFromUTC, 5 * 3600 + 1800),
                                          QDateTime(QDate(2026, 3, 1), QTime(9, 31), Qt::OffsetFromUTC, -3 * 3600),
                                          QDateTime(QDate(2026, 3, 1), QTime(9, 32), Qt::UTC)};
        for (qsizetype i = 0; i < sources.size(); ++i)
            QVERIFY(m_store->recordStart(sources[i], {}, started[i]) > 0);
        QVERIFY(m_store->recordAnswer(1, 12345, QStringLiteral("\"asthma\"[MeSH Terms]"), QString()));
        QList<HistoryEntry> entries = *m_store->history();
        QCOMPARE(entries.size(), 3);
        for (qsizetype i = 0; i < sources.size(); ++i) {
            QCOMPARE(entries[2 - i].started, started[i]);
            QCOMPARE(entries[2 - i].started.offsetFromUtc(), started[i].offsetFromUtc());
        }
        QCOMPARE(entries[2].source, sources[0]);
        QCOMPARE(entries[2].effectiveQuery, sources[0].effectiveQuery());
        QCOMPARE(entries[2].resultCount, std::optional<qint64>(12345));
        QCOMPARE(entries[1].source, sources[1]);
        // A link set is logged with the PMIDs it was asked for, so that it can be repeated.
        QCOMPARE(entries[1].query(), QStringLiteral("Cited by: 30514039, 28504498, 28603238"));
        QCOMPARE(entries[1].effectiveQuery, entries[1].query());
        QCOMPARE(entries[1].resultCount, std::nullopt);
        QCOMPARE(*m_store->recentQueries(), QStringList{QStringLiteral("asthma")});

        QVERIFY(m_store->deleteHistory({2}));
        QVERIFY(!m_store->historyEntry(2));
        QCOMPARE(m_store->error(), HistoryMessages::noSuchSearch(2));
        QVERIFY(m_store->clearHistory());
        QCOMPARE(m_store->recordStart(sources[0]), 4);
        QCOMPARE(m_store->history({3, 4})->size(), 1);
    }

    // Pages of #5 #4 #2 #1 (#3 deleted), each going on below a number.
    void historyPagesGoOnBelowANumber_data()
    {
        QTest::addColumn<int>("limit");
        QTest::addColumn<qint64>("below");
        QTest::addColumn<QString>("numbers");
        QTest::newRow("newest page") << 2 << qint64(0) << "5 4";
        QTest::newRow("over a deleted number") << 2 << qint64(4) << "2 1";
        QTest::newRow("last page short") << 3 << qint64(2) << "1";
        QTest::newRow("page longer than the history") << 10 << qint64(0) << "5 4 2 1";
        QTest::newRow("nothing below the oldest") << 2 << qint64(1) << "";
        QTest::newRow("no room") << 0 << qint64(0) << "";
    }

    void historyPagesGoOnBelowANumber()
    {
        QFETCH(int, limit);
        QFETCH(qint64, below);
        QFETCH(QString, numbers);
        SearchFilters filters;
        filters.humans = true;
        for (int i = 1; i <= 5; ++i)
            QVERIFY(m_store->recordStart(SearchSource::pubmedQuery(QStringLiteral("q%1").arg(i), SortOrder::Recent,
                                                                   i == 5 ? filters : SearchFilters())) > 0);
        QVERIFY(m_store->deleteHistory({3}));
        const auto page = m_store->historyPage(limit, below);
        QVERIFY2(page, qPrintable(m_store->error()));
        QStringList read;
        for (const HistoryEntry &entry : *page) {
            read.append(QString::number(entry.number));
            QCOMPARE(entry.query(), QStringLiteral("q%1").arg(entry.number));
            QCOMPARE(entry.effectiveQuery, entry.source.effectiveQuery());
        }
        QCOMPARE(read.join(QLatin1Char(' ')), numbers);
    }

    void namesAreUnique()
    {
        SavedSearch search;
        search.name = QStringLiteral("asthma");
        search.query = QStringLiteral("asthma");
        const qint64 first = m_store->addSavedSearch(search);
        QVERIFY(first > 0);
        QCOMPARE(m_store->addSavedSearch(search), 0);
        QCOMPARE(m_store->error(), HistoryMessages::duplicateName(search.name));
        search.name = QStringLiteral("copd");
        const qint64 second = m_store->addSavedSearch(search);
        QVERIFY(!m_store->renameSavedSearch(second, QStringLiteral("asthma")));
        QCOMPARE(m_store->error(), HistoryMessages::duplicateName(QStringLiteral("asthma")));
        QVERIFY(m_store->removeSavedSearch(first));
        QVERIFY(m_store->renameSavedSearch(second, QStringLiteral("asthma")));
        QCOMPARE(m_store->savedSearch(QStringLiteral("asthma"))->id, second);
    }

    // Once per settings file, even when the window starts again.
    void importsRecentQueriesOnce()
    {
        QSettings settings(m_store.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
        settings.setValue(RecentSearches::kSettingsKey, QStringList{QStringLiteral("copd"), QStringLiteral("asthma")});
        QVERIFY(m_store->recordStart(SearchSource::pubmedQuery(QStringLiteral("asthma"))) > 0);
        for (int start = 0; start < 2; ++start)
            QVERIFY(importRecentSearches(*m_store, settings));
        QCOMPARE(*m_store->recentQueries(), (QStringList{QStringLiteral("copd"), QStringLiteral("asthma")}));
        QCOMPARE(m_store->history()->size(), 3);
    }

    // A writer killed inside its transaction of 10,000 rows leaves a sound
    // file holding whole transactions only. It is killed in its third
    // batch, that far into it as its second batch took.
    void killedWriterLeavesWholeTransactions_data()
    {
        QTest::addColumn<int>("percent");
        QTest::newRow("early") << 10;
        QTest::newRow("half way") << 50;
        QTest::newRow("late") << 85;
    }

    void killedWriterLeavesWholeTransactions()
    {
        QFETCH(int, percent);
        m_store.close();
        const QString path = m_store.path();
        QProcess writer;
        writer.start(QStringLiteral(HISTORY_WRITER), {path});
        QByteArray said;
        QElapsedTimer clock;
        const auto waitFor = [&](const QByteArray &line) {
            while (!said.contains(line) && writer.waitForReadyRead(20000))
                said += writer.readAllStandardOutput();
            return said.contains(line);
        };
        QVERIFY(waitFor("batch 2\n"));
        clock.start();
        QVERIFY(waitFor("batch 3\n"));
        QTest::qSleep(int(clock.elapsed() * percent / 100));
        writer.kill();
        QVERIFY(writer.waitForFinished());

        QVERIFY(m_store.open());
        QVERIFY(m_store->movedAsideTo().isEmpty());
        QSqlQuery check(QSqlDatabase::database(QSqlDatabase::connectionNames().constFirst()));
        QVERIFY(check.exec(QStringLiteral("PRAGMA quick_check")) && check.next());
        QCOMPARE(check.value(0).toString(), QStringLiteral("ok"));
        const qsizetype rows = m_store->history()->size();
        QVERIFY2(rows % 10000 == 0 && rows >= 20000, qPrintable(QString::number(rows)));
    }

    void filtersReadBackAsWritten_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("none") << QString();
        QTest::newRow("years") << QStringLiteral("years=2015:0");
        QTest::newRow("types") << QStringLiteral("types=review|meta-analysis|guideline");
        QTest::newRow("everything") << QStringLiteral("years=2001:2020;types=randomized-controlled-trial;free;abstract;english;humans");
        QTest::newRow("clinical study, systematic reviews") << QStringLiteral("clinical=prediction-guides/narrow;systematic");
    }

    void filtersReadBackAsWritten()
    {
        QFETCH(QString, text);
        const SearchFilters filters = SearchSourceCodec::filtersFrom(text);
        QCOMPARE(SearchSourceCodec::filtersText(filters), text);
        QCOMPARE(SearchSourceCodec::filtersFrom(text + QStringLiteral(";later=1")), filters);
    }

    // Counts of a timeline are found again by its query, the newest within the time asked for.
    void yearCountsAreKeptWithTheirSearch()
    {
        const qint64 first = m_store->recordStart(SearchSource::pubmedQuery(QStringLiteral("asthma")));
        const qint64 second = m_store->recordStart(SearchSource::pubmedQuery(QStringLiteral("asthma")));
        const QDateTime now = QDateTime::currentDateTimeUtc();
        QVERIFY(m_store->recordYearCounts(first, QStringLiteral("asthma"), QStringLiteral("2020,1\n"), now.addDays(-3)));
        QVERIFY(m_store->recordYearCounts(second, QStringLiteral("asthma"), QStringLiteral("2020,2\n"), now.addSecs(-60)));
        QCOMPARE(m_store->yearCounts(QStringLiteral("asthma"), now.addDays(-7)), QStringLiteral("2020,2\n"));
        QCOMPARE(m_store->yearCounts(QStringLiteral("asthma"), now), QString());
        QCOMPARE(m_store->yearCounts(QStringLiteral("Asthma"), now.addDays(-7)), QString());
    }

private:
    TemporaryLibrary m_store;
};

QTEST_GUILESS_MAIN(HistoryStoreTest)
#include "HistoryStoreTest.moc"
