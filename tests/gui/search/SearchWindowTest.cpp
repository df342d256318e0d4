#include "AppHarness.h"

#include "gui/widgets/ElidedLabel.h"

#include <QAbstractItemView>
#include <QCompleter>

#include "gui/articles/KebNSTableView.h"
#include "entrez/EsearchClient.h"
#include "entrez/UpdateCheck.h"
#include "gui/preferences/PreferenceController.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QComboBox>
#include <QCollator>
#include <QDockWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QToolButton>
#include <QHeaderView>
#include <QScrollBar>
#include <QUrlQuery>

namespace {
QString query(const QUrl &url, const char *key)
{
    return QUrlQuery(url).queryItemValue(QLatin1String(key), QUrl::FullyEncoded);
}
QString window(const QUrl &url)
{
    return query(url, "retstart") + QLatin1Char(',') + query(url, "retmax");
}
} // namespace

Q_DECLARE_METATYPE(UpdateSource)

class SearchWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void startsIdleWithoutTouchingTheNetwork()
    {
        AppHarness h;
        AppController &c = h.start();
        QCOMPARE(c.window()->windowTitle(), QStringLiteral("Vexmoor"));
        QCOMPARE(c.numberOfRowsInTableView(), 0);
        QCOMPARE(h.abstractText(), QStringLiteral(" "));
        QCOMPARE(h.citationText(), QStringLiteral(" "));
        QVERIFY(h.searchButton()->isEnabled());
        QVERIFY(!h.cancelButton()->isEnabled());
        QVERIFY(h.moreButton()->isHidden());
        QVERIFY(h.busyIndicator()->isHidden());
        QVERIFY(h.progressBar()->isHidden());
        QVERIFY(h.reachability.asked.isEmpty());
        QCOMPARE(h.server.requestTargets().size(), 0);
        QVERIFY(c.startupUpdateCheck());
    }

    void fortyFiveMatchesArriveInThreeBatches()
    {
        AppHarness h;
        h.server.serveEsearch(45);
        h.server.serveEfetch();
        AppController &c = h.start();

        h.search(QStringLiteral("crab foraging"));
        QCOMPARE(h.message(), QStringLiteral("found 45 articles"));
        QVERIFY(h.searchButton()->isEnabled()); // a new query replaces the running search
        QVERIFY(h.cancelButton()->isEnabled());
        QVERIFY(!h.moreButton()->isHidden());
        QVERIFY(!h.moreButton()->isEnabled()); // two transfers never overlap
        QVERIFY(!h.busyIndicator()->isHidden());
        QVERIFY(h.waitForTransfer());
        QCOMPARE(c.numberOfRowsInTableView(), 20);
        QCOMPARE(h.moreButton()->text(), QStringLiteral("get 20 more articles"));
        QVERIFY(h.moreButton()->isEnabled());
        QVERIFY(h.searchButton()->isEnabled());
        QVERIFY(!h.cancelButton()->isEnabled());
        QVERIFY(h.busyIndicator()->isHidden());
        QVERIFY(h.progressBar()->isHidden());

        // Space on the button fetches more, and the focus is back on it for the next batch.
        QVERIFY(QTest::qWaitForWindowActive(c.window()));
        h.moreButton()->setFocus();
        QTest::keyClick(h.moreButton(), Qt::Key_Space);
        h.waitForSearchAnswer();
        QCOMPARE(h.message(), QStringLiteral("found 45 articles, downloaded 20 titles"));
        QVERIFY(h.waitForTransfer());
        QCOMPARE(h.message(), QStringLiteral("found 45 articles, downloaded 40 titles"));
        QCOMPARE(QApplication::focusWidget(), h.moreButton());
        QCOMPARE(h.moreButton()->text(), QStringLiteral("get 5 more articles"));
        QCOMPARE(c.numberOfRowsInTableView(), 40);

        QTest::keyClick(h.moreButton(), Qt::Key_Space);
        h.waitForSearchAnswer();
        QVERIFY(h.moreButton()->isHidden());
        QVERIFY(h.waitForTransfer());
        QCOMPARE(h.message(), QStringLiteral("found 45 articles, downloaded 45 titles"));
        QCOMPARE(c.numberOfRowsInTableView(), 45);

        const QList<QUrl> requests = h.esearchRequests();
        QCOMPARE(requests.size(), 3);
        QCOMPARE(window(requests[0]), QStringLiteral("0,20"));
        QCOMPARE(window(requests[1]), QStringLiteral("20,20"));
        QCOMPARE(window(requests[2]), QStringLiteral("40,5"));
        QCOMPARE(query(requests[0], "term"), QStringLiteral("crab%20foraging"));
        // The records arrive in answer order; row 0 stays selected and shown.
        QCOMPARE(c.getArticleList()[0].text(ArticleRecord::Key::PMID), FakeEutilsServer::fakePmid(0));
        QCOMPARE(c.getArticleList()[44].text(ArticleRecord::Key::PMID), FakeEutilsServer::fakePmid(44));
        QCOMPARE(h.widget<KebNSTableView>("articleNSTableView")->selectedRowIndexes(), QList<int>{0});
        QVERIFY(h.citationText().contains(QStringLiteral("PMID: ") + FakeEutilsServer::fakePmid(0)));
        // The last EFetch asked for its batch's PMIDs.
        const FakeRequest lastFetch = h.server.lastRequestTo(QLatin1String(Paths::EFetch));
        QCOMPARE(FakeEutilsServer::requestedIds(lastFetch.url), QStringList({FakeEutilsServer::fakePmid(40), FakeEutilsServer::fakePmid(41),
                 FakeEutilsServer::fakePmid(42), FakeEutilsServer::fakePmid(43), FakeEutilsServer::fakePmid(44)}));
    }

    // The message line names what PubMed left out of the query, and Ctrl+I
    // opens the details of the answer: a real one whose phrase was not found,
    // where ESpell's real correction is offered and searched when clicked.
    void noMatchesLeavesAnEmptyIdleTable_data()
    {
        QTest::addColumn<QString>("answer"); // none: the fake server's own
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("details");
        QTest::newRow("plain") << QString() << "found 0 articles" << "Query: nothing matches this\nTranslation: fake[All Fields]\nCount: 0\n";
        QTest::newRow("phrase not found")
            << "biopython_esearch8.xml" << "found 0 articles \u2014 PubMed found nothing for: abcXYZ"
            << "Query: nothing matches this\nTranslation: (abcXYZ[All Fields])\nError: PubMed found nothing for: abcXYZ\n"
               "Warning: OutputMessage: No items found.\nCount: 0\n";
    }
    void noMatchesLeavesAnEmptyIdleTable()
    {
        QFETCH(QString, answer);
        QFETCH(QString, message);
        QFETCH(QString, details);
        AppHarness h;
        h.server.serveEsearch(0);
        if (!answer.isEmpty()) {
            READ_TEST_DATA(body, QStringLiteral(VEXMOOR_TESTDATA_DIR "/esearch/") + answer);
            h.server.setHandler(QLatin1String(Paths::ESearch), [body](const QUrl &) { return FakeResponse::xml(body); });
            READ_TEST_DATA(spelling, QStringLiteral(VEXMOOR_TESTDATA_DIR "/espell/biopython_espell.xml"));
            h.server.setHandler(QLatin1String(Paths::ESpell), [spelling](const QUrl &) { return FakeResponse::xml(spelling); });
        }
        AppController &c = h.start();
        QVERIFY(!h.widget<QPushButton>("searchDetailsButton")->isEnabled());
        h.search(QStringLiteral("nothing matches this"));
        QCOMPARE(h.message(), message);
        QTest::keyClick(c.window(), Qt::Key_I, Qt::ControlModifier);
        QVERIFY(h.widget<QDockWidget>("searchDetailsPanel")->isVisible());
        QCOMPARE(h.widget<QPlainTextEdit>("searchDetailsText")->toPlainText(), details);
        QLabel *suggestion = h.widget<QLabel>("didYouMeanLabel");
        QTRY_COMPARE(h.server.requestCount(QLatin1String(Paths::ESpell)), 1);
        QTRY_COMPARE(suggestion->isVisible(), !answer.isEmpty());
        if (answer.isEmpty())
            return;
        QCOMPARE(suggestion->text(), QStringLiteral("Did you mean: <a href=\"#\">biopython</a>?"));
        // Beside it, in a narrow window, the message line ends at a whole word, the rest in its tooltip.
        c.window()->resize(420, c.window()->height());
        auto *line = h.widget<ElidedLabel>("messageNSTextField");
        QTRY_VERIFY(line->shownText() != message);
        QVERIFY2(line->shownText().endsWith(QChar(0x2026)) && message.startsWith(line->shownText().chopped(1) + u' '),
                 qPrintable(line->shownText()));
        QCOMPARE(line->text(), message);
        emit suggestion->linkActivated(QStringLiteral("#"));
        QVERIFY(h.waitForSearchAnswer());
        QCOMPARE(query(h.esearchRequests().last(), "term"), QStringLiteral("biopython"));
        QCOMPARE(c.numberOfRowsInTableView(), 0);
        QVERIFY(h.searchButton()->isEnabled());
        QVERIFY(!h.cancelButton()->isEnabled());
        QCOMPARE(h.server.requestCount(QStringLiteral("/entrez/eutils/efetch.fcgi")), 0);
    }

    void blankAndEmptyQueries()
    {
        AppHarness h;
        START_WITH_RESULTS(c, h, 45);
        QCOMPARE(c.numberOfRowsInTableView(), 20);

        // Empty: nothing at all, not even the connectivity probe.
        h.reachability.asked.clear();
        h.search(QString());
        QVERIFY(h.reachability.asked.isEmpty());
        QCOMPARE(c.numberOfRowsInTableView(), 20);

        // Blank, offline or online: nothing either, and the table stays.
        for (const bool online : {false, true}) {
            h.reachability.online = online;
            h.search(QStringLiteral(" \t "));
            QVERIFY(h.alerts.shown.isEmpty());
            QVERIFY(h.reachability.asked.isEmpty());
            QCOMPARE(c.numberOfRowsInTableView(), 20);
            QCOMPARE(h.message(), QStringLiteral("found 45 articles, downloaded 20 titles"));
            // Only the first search's; the links of the selected article may be asked for meanwhile.
            QCOMPARE(h.server.requestCount(QLatin1String(Paths::ESearch)), 1);
            QCOMPARE(h.server.requestCount(QLatin1String(Paths::EFetch)), 1);
        }
    }

    void offlineSearchShowsTheAlertAndChangesNothing()
    {
        AppHarness h;
        h.reachability.online = false;
        AppController &c = h.start();
        h.search(QStringLiteral("offline"));
        QCOMPARE(h.alerts.shown.size(), 1);
        QCOMPARE(h.alerts.shown[0].title, QStringLiteral("Network Error"));
        QCOMPARE(c.searchString(), QString());
        QCOMPARE(h.server.requestTargets().size(), 0);
    }

    void cancelDuringATransfer()
    {
        AppHarness h;
        h.server.serveEsearch(45);
        h.server.setHandler(QStringLiteral("/entrez/eutils/efetch.fcgi"), [](const QUrl &) {
            FakeResponse slow = FakeResponse::xml(FakeEutilsServer::efetchAnswer({QStringLiteral("1")}));
            slow.delayMs = 5000;
            return slow;
        });
        AppController &c = h.start();
        h.search(QStringLiteral("slow"));
        QVERIFY(c.transferRunning());
        // With the recent searches open, Escape closes them and nothing else.
        QVERIFY(QTest::qWaitForWindowActive(c.window()));
        QCompleter *recent = h.searchField()->completer();
        recent->setCompletionPrefix(QString());
        QTRY_VERIFY((recent->complete(), recent->popup()->isVisible()));
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
        QVERIFY(!recent->popup()->isVisible());
        QVERIFY(c.transferRunning());
        QTest::keyClick(h.searchField(), Qt::Key_Escape);
        QVERIFY(!c.transferRunning());
        QCOMPARE(h.message(), QStringLiteral("canceled search"));
        QCOMPARE(c.numberOfRowsInTableView(), 0);
        QVERIFY(h.busyIndicator()->isHidden());
        QVERIFY(h.progressBar()->isHidden());
        QVERIFY(h.searchButton()->isEnabled());
        QVERIFY(!h.cancelButton()->isEnabled());
        // Nothing is left to fetch more of.
        QVERIFY(h.moreButton()->isHidden());
    }

    // Return while a batch downloads ends it and searches for the new query,
    // as a browser does with a new address; the table holds only the new search.
    void returnWhileDownloadingStartsTheNewSearch()
    {
        AppHarness h;
        h.server.serveEsearch(45);
        h.server.setHandler(QStringLiteral("/entrez/eutils/efetch.fcgi"), [](const QUrl &url) {
            FakeResponse slow = FakeResponse::xml(FakeEutilsServer::efetchAnswer(FakeEutilsServer::requestedIds(url)));
            slow.delayMs = 600;
            return slow;
        });
        AppController &c = h.start();
        h.search(QStringLiteral("first"));
        QVERIFY(c.transferRunning());
        h.search(QStringLiteral("second"));
        QCOMPARE(h.esearchRequests().size(), 2);
        QCOMPARE(query(h.esearchRequests().last(), "term"), QStringLiteral("second"));
        QCOMPARE(c.searchString(), QStringLiteral("second"));
        QVERIFY(!h.moreButton()->isHidden());
        // No title counts as downloaded before its record is here.
        QCOMPARE(h.message(), QStringLiteral("found 45 articles"));
        QVERIFY(h.waitForTransfer());
        QCOMPARE(h.message(), QStringLiteral("found 45 articles, downloaded 20 titles"));
        QCOMPARE(c.numberOfRowsInTableView(), 20);
        QCOMPARE(h.moreButton()->text(), QStringLiteral("get 20 more articles"));
        QVERIFY(!h.moreButton()->isHidden());
        QCOMPARE(window(h.esearchRequests().last()), QStringLiteral("0,20"));
        QCOMPARE(c.retStart(), 20);
    }

    // What a failure leaves is shown elsewhere with every kind of fault; here,
    // Cancel after one resets the search and releases nothing twice.
    void cancelAfterAFailedTransfer()
    {
        AppHarness h;
        START_WITH_RESULTS(c, h, 45);
        h.server.enqueue(QStringLiteral("/entrez/eutils/efetch.fcgi"), FakeResponse::serverError(500));
        h.clickMore();
        QVERIFY(h.waitForTransfer());
        QCOMPARE(c.numberOfRowsInTableView(), 20);
        // Escape stops only what runs; the idle window keeps its records.
        QTest::keyClick(h.searchField(), Qt::Key_Escape);
        QCOMPARE(c.numberOfRowsInTableView(), 20);
        c.cancelSearch();
        QCOMPARE(h.message(), QStringLiteral("canceled search"));
        QCOMPARE(c.numberOfRowsInTableView(), 0);
        QVERIFY(h.searchButton()->isEnabled());
        QVERIFY(!h.cancelButton()->isEnabled());
        QVERIFY(h.busyIndicator()->isHidden());
    }

    // "more" continues the search that filled the table, whatever the field,
    // the Sort by box and the filters hold now, with the batch size read
    // afresh; the new order is remembered for the next search.
    void moreArticlesKeepsItsQueryAndReadsTheBatchSizeAfresh()
    {
        AppHarness h;
        h.server.serveEsearch(100);
        h.server.serveEfetch();
        AppController &c = h.start();
        QComboBox *sortBy = h.widget<QComboBox>("sortByBox");
        sortBy->setCurrentText(QStringLiteral("Best match"));
        h.widget<QSpinBox>("yearFromBox")->setValue(2015);
        h.widget<QSpinBox>("yearToBox")->setValue(2020);
        h.widget<QToolButton>("articleTypesButton")->menu()->actions().constFirst()->setChecked(true);
        h.widget<QCheckBox>("humansBox")->setChecked(true);
        const QString filtered = QStringLiteral("(first query) AND 2015:2020[dp] AND review[pt] AND humans[mh]");
        QCOMPARE(h.widget<QLabel>("filterSyntaxLabel")->toolTip(), filtered.mid(18));
        h.search(QStringLiteral("first query"));
        QVERIFY(h.waitForTransfer());
        h.searchField()->setText(QStringLiteral("edited & query"));
        sortBy->setCurrentText(QStringLiteral("Journal"));
        QTest::mouseClick(h.widget<QPushButton>("clearFiltersButton"), Qt::LeftButton);
        QVERIFY(h.widget<QLabel>("filterSyntaxLabel")->text().isEmpty());
        h.store.setObject(PreferenceKeys::ThisMany, 30);
        h.clickMore();
        QVERIFY(h.waitForTransfer());
        const QUrl second = h.esearchRequests().last();
        QCOMPARE(query(second, "term"), prepareQueryTerm(filtered));
        QCOMPARE(query(second, "sort"), QStringLiteral("relevance"));
        QCOMPARE(h.store.string(PreferenceKeys::SortOrder), QStringLiteral("journal"));
        QCOMPARE(window(second), QStringLiteral("20,20"));
        // The new batch size shapes the next window.
        QCOMPARE(h.moreButton()->text(), QStringLiteral("get 30 more articles"));
        QCOMPARE(c.retStart(), 40);
        QCOMPARE(c.retMax(), 30);
    }

    void answersWithoutArticlesAndRedirects()
    {
        AppHarness h;
        h.server.serveEsearch(2);
        h.server.enqueue(QStringLiteral("/entrez/eutils/efetch.fcgi"),
                         FakeResponse::xml("<?xml version=\"1.0\"?><PubmedArticleSet></PubmedArticleSet>"));
        AppController &c = h.start();
        h.search(QStringLiteral("q"));
        QVERIFY(h.waitForTransfer());
        QCOMPARE(c.numberOfRowsInTableView(), 0);
        QVERIFY(h.searchButton()->isEnabled());
        QVERIFY(h.busyIndicator()->isHidden());
        QCOMPARE(h.abstractText(), QString());

        // A redirect discards what came before it; only the final body counts.
        const QString target = h.server.origin().toString() + QStringLiteral("/entrez/eutils/efetch.fcgi?db=pubmed&id=")
            + FakeEutilsServer::fakePmid(0) + QStringLiteral("&id=") + FakeEutilsServer::fakePmid(1);
        FakeResponse redirect = FakeResponse::redirect(target);
        redirect.body = QByteArrayLiteral("<?xml version=\"1.0\"?><PubmedArticleSet><PubmedArticle/></PubmedArticleSet>");
        h.server.enqueue(QStringLiteral("/entrez/eutils/efetch.fcgi"), redirect);
        h.server.serveEfetch();
        h.search(QStringLiteral("q"));
        QVERIFY(h.waitForTransfer());
        QCOMPARE(c.numberOfRowsInTableView(), 2);
        QCOMPARE(c.getArticleList()[0].text(ArticleRecord::Key::PMID), FakeEutilsServer::fakePmid(0));
    }

    void progressFollowsTheEstimate()
    {
        AppHarness h;
        h.server.serveEsearch(10);
        h.server.setHandler(QStringLiteral("/entrez/eutils/efetch.fcgi"), [](const QUrl &) {
            FakeResponse r = FakeResponse::xml(QByteArray(47785, ' ') + QByteArray(47785, ' '));
            r.delivery = FakeResponse::Delivery::Chunks;
            r.chunkSizes = {47785};
            r.chunkIntervalMs = 400;
            return r;
        });
        AppController &c = h.start();
        h.search(QStringLiteral("q"));
        QVERIFY(QTest::qWaitFor([&] { return c.progressValue() > 0; }, 5000));
        QCOMPARE(c.progressValue(), 50.0);
        QVERIFY(!h.progressBar()->isHidden());
        QCOMPARE(h.progressBar()->value(), 50);
        QVERIFY(h.waitForTransfer());
        QCOMPARE(c.progressValue(), 100.0);
    }

    void sortingReordersTheListAndTheSelectionFollows()
    {
        AppHarness h;
        START_WITH_RESULTS(c, h, 20);
        auto *table = h.widget<KebNSTableView>("articleNSTableView");
        const QString firstTitle = c.getArticleList()[0].text(ArticleRecord::Key::Title);

        const int titleColumn = 1;
        table->horizontalHeader()->setSortIndicator(titleColumn, Qt::AscendingOrder);
        // Titles follow the user's locale, as a list in the desktop would:
        // case and leading punctuation do not decide the order.
        QCollator collator;
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        QStringList titles;
        for (const ArticleRecord &r : c.getArticleList())
            titles.append(r.text(ArticleRecord::Key::Title));
        for (int i = 1; i < titles.size(); ++i)
            QVERIFY2(collator.compare(titles[i - 1], titles[i]) <= 0, qPrintable(titles[i - 1] + QLatin1String(" > ") + titles[i]));
        // The article that was selected is still the one selected and shown.
        const QList<int> rows = table->selectedRowIndexes();
        QCOMPARE(rows.size(), 1);
        QCOMPARE(c.getArticleList()[rows[0]].text(ArticleRecord::Key::Title), firstTitle);

        // Selecting after the sort shows the article now in that row.
        table->selectRow(5);
        QCOMPARE(h.abstractText(), c.getArticleList()[5].text(ArticleRecord::Key::Abstract));
        QVERIFY(h.citationText().contains(c.getArticleList()[5].text(ArticleRecord::Key::PMID)));

        // "#" is each article's rank in the service's order: sorting on it
        // restores that order, both ways, ranks moving with their articles.
        const int rankColumn = c.currentTab()->model().columnNamed(ArticleTableModel::RankColumn);
        QCOMPARE(table->model()->headerData(rankColumn, Qt::Horizontal).toString(), QStringLiteral("#"));
        for (const Qt::SortOrder order : {Qt::DescendingOrder, Qt::AscendingOrder}) {
            table->horizontalHeader()->setSortIndicator(rankColumn, order);
            for (int row = 0; row < 20; ++row) {
                const int rank = order == Qt::AscendingOrder ? row : 19 - row;
                QCOMPARE(c.getArticleList()[row].text(ArticleRecord::Key::PMID), FakeEutilsServer::fakePmid(rank));
                QCOMPARE(table->model()->index(row, rankColumn).data().toInt(), rank + 1);
            }
        }
    }

    // The "Cited by" column after a batch: filled from the batch's one count
    // request and sorting by number; blank, with one log line and nothing
    // else said, when that request fails; hidden at once and never asked for
    // while the preference is off.
    void citedByColumn_data()
    {
        QTest::addColumn<bool>("shown");
        QTest::addColumn<bool>("failing");
        QTest::newRow("filled, sorting by number") << true << false;
        QTest::newRow("blank after a failure") << true << true;
        QTest::newRow("preference off") << false << false;
    }
    void citedByColumn()
    {
        QFETCH(bool, shown);
        QFETCH(bool, failing);
        AppHarness h;
        // ELink's counts; iCite's are the tabs' test's.
        h.store.setObject(PreferenceKeys::CitationSource, CitationSources::name(CitationSource::Pmc));
        h.server.serveEsearch(45);
        h.server.serveEfetch();
        h.server.serveElink([](const QString &pmid, const QString &) { // as many citing articles as its last two digits
            QStringList citing;
            for (int i = 0; i < pmid.right(2).toInt(); ++i)
                citing.append(QString::number(7000000 + i));
            return citing;
        });
        // Only the count request fails: the links area asks too, on its own time.
        if (failing)
            h.server.enqueueWhere(QLatin1String(Paths::ELinkService), [](const QUrl &url) {
                return QUrlQuery(url).queryItemValue(QStringLiteral("linkname")) == QLatin1String("pubmed_pubmed_citedin");
            }, FakeResponse::serverError(500));
        AppController &c = h.start();
        const int column = c.currentTab()->model().columnNamed(ArticleTableModel::CitedByColumn);
        c.showPreferencePanel();
        auto *box = c.preferences()->window()->findChild<QCheckBox *>(QStringLiteral("showCitationCountsCheckBox"));
        QVERIFY(box && box->isChecked() && !box->accessibleName().isEmpty());
        if (!shown)
            box->click();
        QCOMPARE(h.table()->isColumnHidden(column), !shown);
        c.preferences()->window()->close();

        h.search(QStringLiteral("q"));
        QVERIFY(h.waitForTransfer());
        QVERIFY(QTest::qWaitFor([&] { return !c.session().citedBy().isBusy(); }, 10000));
        QCOMPARE(h.message(), QStringLiteral("found 45 articles, downloaded 20 titles"));
        QCOMPARE(h.table()->isColumnHidden(column), !shown);
        QCOMPARE(h.log.size(), failing ? 1 : 0);
        int countRequests = 0;
        for (const FakeRequest &request : h.server.requests())
            countRequests += request.method == "POST" && request.url.path() == QLatin1String(Paths::ELinkService);
        QCOMPARE(countRequests, shown ? 1 : 0);
        QAbstractItemModel *model = h.table()->model();
        for (int row = 0; row < 20; ++row) {
            const QVariant cell = model->index(row, column).data();
            const bool counted = shown && !failing;
            QCOMPARE(cell.isValid(), counted);
            if (counted)
                QCOMPARE(cell.toInt(), c.getArticleList()[row].text(ArticleRecord::Key::PMID).right(2).toInt());
        }
        if (!shown || failing)
            return;
        h.table()->horizontalHeader()->setSortIndicator(column, Qt::DescendingOrder);
        for (int row = 1; row < 20; ++row)
            QVERIFY(model->index(row - 1, column).data().toInt() >= model->index(row, column).data().toInt());
        int most = 0;
        for (const ArticleRecord &article : c.getArticleList())
            most = std::max(most, article.text(ArticleRecord::Key::PMID).right(2).toInt());
        QCOMPARE(model->index(0, column).data().toInt(), most);
    }

    // Qt's own checker watches the table's model through everything that
    // changes its rows: batches appended, a sort, a failed batch, resets by
    // a new search and by Cancel. Any broken promise aborts the program.
    void theTableModelKeepsItsContract()
    {
        AppHarness h;
        h.server.serveEsearch(45);
        h.server.serveEfetch();
        AppController &c = h.start();
        auto *table = h.widget<KebNSTableView>("articleNSTableView");
        QAbstractItemModelTester tester(table->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);

        h.search(QStringLiteral("q"));
        QVERIFY(h.waitForTransfer());
        table->horizontalHeader()->setSortIndicator(1, Qt::DescendingOrder);
        table->selectRow(3);
        h.clickMore();
        QVERIFY(h.waitForTransfer());
        QCOMPARE(table->model()->rowCount(), 40);
        // A later batch joins the sorted rows at the end, in the order it came.
        for (int row = 20; row < 40; ++row)
            QCOMPARE(c.getArticleList()[row].text(ArticleRecord::Key::PMID), FakeEutilsServer::fakePmid(row));
        table->horizontalHeader()->setSortIndicator(4, Qt::AscendingOrder);
        h.server.enqueue(QStringLiteral("/entrez/eutils/efetch.fcgi"), FakeResponse::serverError(500));
        h.clickMore();
        QVERIFY(h.waitForTransfer());
        h.clickMore();
        QVERIFY(h.waitForTransfer());
        QCOMPARE(c.numberOfRowsInTableView(), 45);
        h.search(QStringLiteral("again"));
        QVERIFY(h.waitForTransfer());
        QCOMPARE(table->model()->rowCount(), 20);
        c.cancelSearch();
        QCOMPARE(table->model()->rowCount(), 0);
    }

    void selectionDisplay()
    {
        AppHarness h;
        START_WITH_RESULTS(c, h, 20);
        auto *table = h.widget<KebNSTableView>("articleNSTableView");
        auto *abstractView = h.widget<QTextEdit>("abstractNSTextView");

        // The longest abstract, scrolled down, then another row: back at the top.
        int longest = 0;
        for (int i = 0; i < c.numberOfRowsInTableView(); ++i) {
            if (c.getArticleList()[i].text(ArticleRecord::Key::Abstract).size()
                > c.getArticleList()[longest].text(ArticleRecord::Key::Abstract).size())
                longest = i;
        }
        abstractView->resize(200, 100);
        table->selectRow(longest);
        abstractView->verticalScrollBar()->setValue(abstractView->verticalScrollBar()->maximum());
        QVERIFY(abstractView->verticalScrollBar()->value() > 0);
        table->selectRow(longest == 0 ? 1 : 0);
        table->selectRow(longest);
        QCOMPARE(abstractView->verticalScrollBar()->value(), 0);

        table->selectionModel()->select(table->model()->index(3, 0),
                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QCOMPARE(h.abstractText(), QStringLiteral("2 articles selected"));
        QCOMPARE(h.citationText(), QStringLiteral("2 articles selected"));
        table->selectRow(3);
        QCOMPARE(h.abstractText(), c.getArticleList()[3].text(ArticleRecord::Key::Abstract));
        table->clearSelection();
        QCOMPARE(h.abstractText(), QString());
        QCOMPARE(h.citationText(), QString());

        // The query's words are marked over the abstract, case-blind, without
        // tags or quotes, and only while the View menu's toggle is on; the
        // text itself never changes.
        h.search(QStringLiteral("\"The\"[tiab] AND patients*"));
        QVERIFY(h.waitForTransfer());
        int row = 0;
        while (row < c.numberOfRowsInTableView() - 1 && !c.getArticleList()[row].text(ArticleRecord::Key::Abstract).contains(" patients "))
            ++row;
        table->selectRow(row);
        const QString shown = h.abstractText();
        QSet<QString> marked;
        for (const QTextEdit::ExtraSelection &mark : abstractView->extraSelections())
            marked.insert(mark.cursor.selectedText().toLower());
        QCOMPARE(marked, (QSet<QString>{"the", "patients"}));
        c.window()->findChild<QAction *>("highlightQueryWordsAction")->toggle();
        QVERIFY(abstractView->extraSelections().isEmpty());
        QCOMPARE(h.abstractText(), shown);
    }

    // Whatever empties the table empties the views: they show what the
    // selection says, and an emptied table has none.
    void emptiedTableEmptiesTheViews_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("cancel") << "cancel";
        QTest::newRow("no matches") << "no matches";
        QTest::newRow("failed search") << "failed search";
    }
    void emptiedTableEmptiesTheViews()
    {
        QFETCH(QString, how);
        AppHarness h;
        START_WITH_RESULTS(c, h, 20);
        QVERIFY(!h.citationText().isEmpty());
        if (how == QLatin1String("cancel")) {
            c.cancelSearch();
        } else {
            if (how == QLatin1String("no matches"))
                h.server.serveEsearch(0);
            else
                h.server.enqueue(QLatin1String(Paths::ESearch), FakeResponse::serverError(502));
            h.search(QStringLiteral("other"));
        }
        QCOMPARE(c.numberOfRowsInTableView(), 0);
        QCOMPARE(h.abstractText(), QString());
        QCOMPARE(h.citationText(), QString());
    }

    void updateCheck_data()
    {
        QTest::addColumn<bool>("checkAtLaunch");
        QTest::addColumn<bool>("online");
        QTest::addColumn<QByteArray>("published");
        QTest::addColumn<QStringList>("alertsAtLaunch");
        QTest::addColumn<QStringList>("alertsOfFirstManualCheck");
        const QString current = QStringLiteral("You have the current version");
        const QString newer = QStringLiteral("There is a new version available\nDownload it now?");
        const QString offline = QStringLiteral("There is no active internet connection");
        QTest::newRow("launch check, current") << true << true << QByteArray("10") << QStringList{} << QStringList{current};
        QTest::newRow("launch check, newer") << true << true << QByteArray("11") << QStringList{newer} << QStringList{newer};
        QTest::newRow("launch check, older, padded") << true << true << QByteArray(" 9\n") << QStringList{} << QStringList{current};
        QTest::newRow("no launch check, current") << false << true << QByteArray("10") << QStringList{} << QStringList{};
        QTest::newRow("launch check, offline") << true << false << QByteArray("10") << QStringList{} << QStringList{};
        QTest::newRow("no launch check, offline") << false << false << QByteArray("10") << QStringList{} << QStringList{offline};
    }
    void updateCheck()
    {
        QFETCH(bool, checkAtLaunch);
        QFETCH(bool, online);
        QFETCH(QByteArray, published);
        QFETCH(QStringList, alertsAtLaunch);
        QFETCH(QStringList, alertsOfFirstManualCheck);
        AppHarness h(checkAtLaunch);
        h.reachability.online = online;
        h.server.serveVersionPage(published);
        h.alerts.answers = {1, 1}; // Cancel where there is a choice
        AppController &c = h.start();
        QVERIFY(QTest::qWaitFor([&c] { return !c.launchUpdateCheckRunning(); }, 10000));
        const auto texts = [&h] {
            QStringList t;
            for (const Alert &a : h.alerts.shown)
                t.append(a.informativeText);
            h.alerts.shown.clear();
            return t;
        };
        QCOMPARE(texts(), alertsAtLaunch);
        // The launch check makes no connectivity probe, which would hold up the window.
        QCOMPARE(h.server.requestCount(QString::fromLatin1(Paths::VersionPage)), checkAtLaunch ? 1 : 0);
        QVERIFY(!c.startupUpdateCheck() || !checkAtLaunch);
        c.checkForUpdates();
        QCOMPARE(texts(), alertsOfFirstManualCheck);
        QVERIFY(!c.startupUpdateCheck());
        QVERIFY(h.opener.opened.isEmpty());
    }

    // Where the system's package manager brings updates, the version page is
    // never asked, even with the launch check turned on, the command says where
    // updates come from, and Preferences does not offer the launch check.
    void updatesByThePackageManager_data()
    {
        QTest::addColumn<UpdateSource>("source");
        QTest::addColumn<bool>("checkByDefault");
        QTest::addColumn<int>("versionRequests");
        QTest::addColumn<QString>("answer");
        QTest::newRow("stand-alone") << UpdateSource::VersionPage << true << 2 << "You have the current version";
        QTest::newRow("system package") << UpdateSource::PackageManager << false << 0
                                        << "This copy of Vexmoor was installed by a system package: its updates come "
                                           "through your system's package manager.";
    }
    void updatesByThePackageManager()
    {
        QFETCH(UpdateSource, source);
        QFETCH(bool, checkByDefault);
        QFETCH(int, versionRequests);
        QFETCH(QString, answer);
        AppHarness h(true);
        h.store.remove(PreferenceKeys::UpdateCheckOnStart);
        registerDefaultPreferences(h.store, source);
        QCOMPARE(h.store.boolean(PreferenceKeys::UpdateCheckOnStart), checkByDefault);
        h.store.setBool(PreferenceKeys::UpdateCheckOnStart, true);
        h.services.updateSource = source;
        h.server.serveVersionPage("10");
        AppController &c = h.start();
        QVERIFY(QTest::qWaitFor([&c] { return !c.launchUpdateCheckRunning(); }, 10000));
        QVERIFY(h.alerts.shown.isEmpty());
        c.checkForUpdates();
        QCOMPARE(h.server.requestCount(QString::fromLatin1(Paths::VersionPage)), versionRequests);
        QCOMPARE(h.alerts.shown.size(), 1);
        QCOMPARE(h.alerts.shown[0].informativeText, answer);
        QVERIFY(h.opener.opened.isEmpty());
        c.showPreferencePanel();
        QWidget *preferences = c.preferences()->window();
        auto *launchCheck = preferences->findChild<QCheckBox *>(QStringLiteral("checkUpdatesOnStartupNSButton"));
        QCOMPARE(launchCheck->isVisibleTo(preferences), source == UpdateSource::VersionPage);
    }

    void updateAlertsAndTheDownload()
    {
        AppHarness h;
        h.server.serveVersionPage("11");
        AppController &c = h.start();
        c.checkForUpdates();
        QCOMPARE(h.alerts.shown.size(), 1);
        QCOMPARE(h.alerts.shown[0].message, QStringLiteral("Version Check"));
        QCOMPARE(h.alerts.shown[0].buttons, (QStringList{QStringLiteral("OK"), QStringLiteral("Cancel")}));
        QCOMPARE(h.opener.opened, QList<QUrl>{downloadUrl(h.services.endpoints)});
        // The download folder of the home site, not a disk image for another system.
        QCOMPARE(h.opener.opened[0].path(), QStringLiteral("/orbatine/download_files/"));

        // A page that cannot be read: a clear alert when asked for, never a crash.
        h.alerts.shown.clear();
        h.server.enqueue(QString::fromLatin1(Paths::VersionPage), FakeResponse::html(200, "<html>no title</html>"));
        c.checkForUpdates();
        QCOMPARE(h.alerts.shown.size(), 1);
        QVERIFY(h.alerts.shown[0].informativeText.startsWith(QStringLiteral("The version could not be checked")));
        QCOMPARE(h.alerts.shown[0].buttons, QStringList{QStringLiteral("OK")});
    }

    // The window is up and takes input while a slow version page keeps the
    // launch check waiting; closing it then stops the check quietly.
    void windowComesBeforeTheLaunchCheck()
    {
        AppHarness h(true);
        h.server.setHandler(QString::fromLatin1(Paths::VersionPage), [](const QUrl &) {
            FakeResponse slow = FakeResponse::html(200, FakeEutilsServer::versionPage("11"));
            slow.delayMs = 10000;
            return slow;
        });
        h.server.serveEsearch(3);
        h.server.serveEfetch();
        AppController &c = h.start();
        QVERIFY(c.window()->isVisible());
        QVERIFY(c.launchUpdateCheckRunning());
        h.search(QStringLiteral("q"));
        QVERIFY(h.waitForTransfer());
        QCOMPARE(c.numberOfRowsInTableView(), 3);
        QVERIFY(c.launchUpdateCheckRunning());
        QVERIFY(h.alerts.shown.isEmpty());
    }
};

QTEST_MAIN(SearchWindowTest)
#include "SearchWindowTest.moc"
