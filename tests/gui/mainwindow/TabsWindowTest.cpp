#include "AppHarness.h"

#include "gui/mainwindow/ResultTabs.h"
#include "search/SearchMessages.h"
#include "search/SelectionLinkCounts.h"

#include <QAccessible>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QTabBar>
#include <QUrlQuery>

namespace {
// ESearch answers whose PMIDs tell the query apart: "alpha" gives 1000001…,
// anything else 2000001…; EFetch answers slowly, so transfers overlap.
void serveTwoQueries(FakeEutilsServer &server, int efetchDelayMs)
{
    server.setHandler(QLatin1String(Paths::ESearch), [](const QUrl &url) {
        const QUrlQuery query(url);
        const int base = query.queryItemValue(QStringLiteral("term")) == QLatin1String("alpha") ? 1000001 : 2000001;
        return FakeResponse::xml(FakeEutilsServer::esearchAnswer(
            30, query.queryItemValue(QStringLiteral("retstart")).toInt(),
            query.queryItemValue(QStringLiteral("retmax")).toInt(), [base](int at) { return QString::number(base + at); }));
    });
    server.setHandler(QUrl(QLatin1String(Paths::EFetch)).path(), [efetchDelayMs](const QUrl &url) {
        FakeResponse slow = FakeResponse::xml(FakeEutilsServer::efetchAnswer(FakeEutilsServer::requestedIds(url)));
        slow.delayMs = efetchDelayMs;
        return slow;
    });
}

ResultTabs *tabs(const AppHarness &h)
{
    return h.widget<ResultTabs>("resultTabs");
}

void press(const AppHarness &h, QKeyCombination key)
{
    QTest::keyClick(h.searchField(), key.key(), key.keyboardModifiers());
}

bool allPmidsStartWith(const ArticleList &articles, QChar first)
{
    return std::all_of(articles.begin(), articles.end(),
                       [first](const ArticleRecord &a) { return a.text(ArticleRecord::Key::PMID).startsWith(first); });
}
} // namespace

class TabsWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void twoSearchesRunAtOnceEachIntoItsOwnTable()
    {
        AppHarness h;
        serveTwoQueries(h.server, 400);
        AppController &c = h.start();
        // One result set looks as the window always did.
        QVERIFY(!tabs(h)->tabBar()->isVisible());

        h.search(QStringLiteral("alpha"));
        h.search(QStringLiteral("beta"), Qt::AltModifier);
        QCOMPARE(c.tabCount(), 2);
        QVERIFY(tabs(h)->tabBar()->isVisible());
        ResultTab *alpha = tabs(h)->at(0);
        ResultTab *beta = tabs(h)->at(1);
        QCOMPARE(c.currentTab(), beta);
        QVERIFY(alpha->session().isBusy() && beta->session().isBusy());
        QVERIFY(!tabs(h)->tabIcon(0).isNull()); // the background tab shows it is busy
        QVERIFY(QTest::qWaitFor([&] { return !alpha->session().isBusy() && !beta->session().isBusy(); }, 10000));
        QVERIFY(tabs(h)->tabIcon(0).isNull());

        QCOMPARE(alpha->session().articles().size(), 20);
        QCOMPARE(beta->session().articles().size(), 20);
        QVERIFY(allPmidsStartWith(alpha->session().articles(), QLatin1Char('1')));
        QVERIFY(allPmidsStartWith(beta->session().articles(), QLatin1Char('2')));
        QCOMPARE(tabs(h)->tabText(0), QStringLiteral("alpha"));
        QCOMPARE(tabs(h)->tabToolTip(1), QStringLiteral("beta"));

        // The search row shows the current tab's search; "more" continues it.
        press(h, Qt::CTRL | Qt::Key_PageUp);
        QCOMPARE(c.currentTab(), alpha);
        QCOMPARE(h.searchField()->text(), QStringLiteral("alpha"));
        QCOMPARE(h.table()->model()->rowCount(), 20);
        h.clickMore();
        QVERIFY(h.waitForTransfer());
        QCOMPARE(alpha->session().articles().size(), 30);
        QVERIFY(allPmidsStartWith(alpha->session().articles(), QLatin1Char('1')));
        QCOMPARE(beta->session().articles().size(), 20);
        press(h, Qt::CTRL | Qt::Key_Tab);
        QCOMPARE(c.currentTab(), beta);
        QCOMPARE(h.message(), QStringLiteral("found 30 articles, downloaded 20 titles"));
    }

    void closingTabs()
    {
        AppHarness h;
        serveTwoQueries(h.server, 3000);
        AppController &c = h.start();
        h.search(QStringLiteral("alpha"));
        press(h, Qt::CTRL | Qt::Key_T);
        QCOMPARE(c.tabCount(), 2);
        QCOMPARE(tabs(h)->tabText(1), QStringLiteral("New Search"));
        QVERIFY(h.searchField()->text().isEmpty());
        QVERIFY(!c.transferRunning());
        // Past either end the keys go round.
        press(h, Qt::CTRL | Qt::Key_PageDown);
        QCOMPARE(tabs(h)->currentIndex(), 0);
        press(h, Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab);
        QCOMPARE(tabs(h)->currentIndex(), 1);

        // Closing a tab mid-download ends its transfer with it.
        press(h, Qt::CTRL | Qt::Key_PageUp);
        QPointer<SearchSession> downloading = &c.session();
        QVERIFY(downloading->isBusy());
        press(h, Qt::CTRL | Qt::Key_W);
        QVERIFY(downloading.isNull());
        QCOMPARE(c.tabCount(), 1);
        QVERIFY(!tabs(h)->tabBar()->isVisible());
        QVERIFY(!h.cancelButton()->isEnabled());

        // Closing the last tab leaves an empty one, and the window.
        h.search(QStringLiteral("beta"));
        press(h, Qt::CTRL | Qt::Key_W);
        QCOMPARE(c.tabCount(), 1);
        QVERIFY(c.window()->isVisible());
        QCOMPARE(c.numberOfRowsInTableView(), 0);
        QVERIFY(!c.transferRunning());
        QVERIFY(h.searchField()->text().isEmpty());
        QCOMPARE(h.message(), QStringLiteral("Type a PubMed query and press Search."));
        QTest::qWait(100); // nothing arrives for a closed tab
        QCOMPARE(c.numberOfRowsInTableView(), 0);

        // A middle click on a tab closes it.
        press(h, Qt::CTRL | Qt::Key_T);
        const QRect second = tabs(h)->tabBar()->tabRect(1);
        QTest::mouseClick(tabs(h)->tabBar(), Qt::MiddleButton, {}, second.center());
        QCOMPARE(c.tabCount(), 1);
    }

    // Tab walks out of the table to the views and onto the first link; Ctrl+L
    // and F6 go back to the search field; Escape closes the search tags.
    void keyboardPaths()
    {
        AppHarness h;
        START_WITH_RESULTS(c, h, 1);
        QVERIFY(QTest::qWaitForWindowActive(c.window()));
        h.table()->setFocus();
        QWidget *links = h.widget<QWidget>("articleLinksLabel");
        for (int tab = 0; tab < 4 && QApplication::focusWidget() != links; ++tab)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), links);
        QTest::keyClick(links, Qt::Key_Return);
        QCOMPARE(h.opener.opened.size(), 1); // the first link, the DOI
        for (const QKeyCombination key : {Qt::CTRL | Qt::Key_L, QKeyCombination(Qt::Key_F6)}) {
            h.table()->setFocus();
            QTest::keyClick(h.table(), key.key(), key.keyboardModifiers());
            QCOMPARE(QApplication::focusWidget(), h.searchField());
        }
        c.showSearchTagsPanel();
        auto *tags = h.widget<QWidget>("searchTagsPanel");
        QVERIFY(QTest::qWaitForWindowActive(tags));
        QTest::keyClick(tags, Qt::Key_Escape);
        QVERIFY(!tags->isVisible());
    }

    // Every control the keyboard can reach has a name assistive tools read,
    // and a row reads as "authors, title, journal, year".
    void everyFocusableWidgetHasAnAccessibleName()
    {
        AppHarness h;
        START_WITH_RESULTS(c, h, 3);
        press(h, Qt::CTRL | Qt::Key_T);
        press(h, Qt::CTRL | Qt::Key_PageUp);
        QVERIFY(h.widget<QWidget>("articleLinksLabel")->isVisible());
        // The history window and the saved searches' dock too.
        h.widget<QAction>("searchHistoryAction")->trigger();
        h.widget<QAction>("savedSearchesAction")->trigger();
        QVERIFY(h.widget<QWidget>("historyWindow")->isVisible() && h.widget<QWidget>("savedSearchesPanel")->isVisible());
        for (QWidget *widget : c.window()->findChildren<QWidget *>()) {
            if (!widget->isVisible() || widget->focusPolicy() == Qt::NoFocus || !widget->isEnabled())
                continue;
            QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(widget);
            QVERIFY(accessible);
            QVERIFY2(!accessible->text(QAccessible::Name).trimmed().isEmpty(),
                     qPrintable(widget->objectName() + QLatin1Char(' ') + widget->metaObject()->className()));
        }
        const ArticleRecord &first = c.getArticleList()[0];
        QCOMPARE(h.table()->model()->headerData(0, Qt::Vertical, Qt::AccessibleTextRole).toString(),
                 QStringList({first.text(ArticleRecord::Key::AuthorsString), first.text(ArticleRecord::Key::Title),
                              first.text(ArticleRecord::Key::Journal), first.text(ArticleRecord::Key::Year)})
                     .join(QStringLiteral(", ")));
    }

    // Cited By for two selected articles: a new tab of the articles citing
    // either, newest first, from one ELink request, filled batch by batch.
    void citedByOpensATabThatFillsInBatches()
    {
        AppHarness h;
        START_WITH_RESULTS(c, h, 30);
        h.server.serveElink([](const QString &pmid, const QString &) {
            QStringList citing; // the first article is cited by 5000001-5000025, the second by 5000016-5000040
            const int from = pmid == FakeEutilsServer::fakePmid(0) ? 1 : 16;
            for (int i = from; i < from + 25; ++i)
                citing.append(QString::number(5000000 + i));
            return citing;
        });
        QMenu *articles = h.widget<QMenu>("articlesMenu");
        QAction *citedBy = articles->actions().value(1);
        QCOMPARE(citedBy->text().remove(QLatin1Char('&')), QStringLiteral("Cited By"));
        h.selectRows({});
        QVERIFY(!citedBy->isEnabled());
        h.selectRows({0, 1});
        QVERIFY(citedBy->isEnabled());
        citedBy->trigger();

        QCOMPARE(c.tabCount(), 2);
        QCOMPARE(tabs(h)->tabToolTip(1), QStringLiteral("Cited by 2 articles"));
        QVERIFY(h.waitForTransfer());
        const ArticleList &shown = c.currentTab()->session().articles();
        QCOMPARE(shown.size(), 20);
        QCOMPARE(shown.constFirst().text(ArticleRecord::Key::PMID), QStringLiteral("5000040"));
        QCOMPARE(h.message(), SearchMessages::foundDownloaded(40, 20));
        h.clickMore();
        QVERIFY(h.waitForTransfer());
        QCOMPARE(shown.size(), 40);
        QCOMPARE(shown.constLast().text(ArticleRecord::Key::PMID), QStringLiteral("5000001"));
        QCOMPARE(h.server.requestTargets().filter(QStringLiteral("&linkname=")), // the links area asks without one
                 QStringList{QLatin1String(Paths::ELinkService) + "?dbfrom=pubmed&db=pubmed&linkname=pubmed_pubmed_citedin&cmd=neighbor&id="
                             + FakeEutilsServer::fakePmid(0) + "," + FakeEutilsServer::fakePmid(1) + "&tool=vexmoor"});
        QCOMPARE(tabs(h)->at(0)->session().articles().size(), 20); // the searched tab is left as it was
        // Its exports say how each article was found.
        h.selectRows({0});
        c.window()->findChild<QAction *>(QStringLiteral("copyAsRisAction"))->trigger();
        QVERIFY(QGuiApplication::clipboard()->text().contains(
            QStringLiteral("N1  - Cited by PMIDs %1, %2\r\n").arg(FakeEutilsServer::fakePmid(0), FakeEutilsServer::fakePmid(1))));
    }

    // The links area counts the single selected article's links once the
    // selection has rested: one request for it, none for rows passed by,
    // none again for an article already counted.
    void linkCountsOnceTheSelectionRests()
    {
        AppHarness h;
        h.store.setBool(PreferenceKeys::ShowCitationCounts, false); // the table's counts ask ELink too
        h.server.serveElink([](const QString &, const QString &linkName) {
            const int count = linkName == QLatin1String("pubmed_pubmed_citedin") ? 7 : linkName == QLatin1String("pubmed_pubmed_refs") ? 2 : 4;
            QStringList linked;
            for (int i = 1; i <= count; ++i)
                linked.append(QString::number(6000000 + i));
            return linked;
        });
        START_WITH_RESULTS(c, h, 30);
        const QString elink = QLatin1String(Paths::ELinkService);
        const auto elinkTargets = [&] { return h.server.requestTargets().filter(elink); };
        QTRY_COMPARE(elinkTargets().size(), 1); // the first row, selected with the first batch
        QTest::qWait(1000); // past the pace of the requests so far
        for (const int row : {1, 2, 3}) {
            h.selectRows({row});
            QTest::qWait(SelectionLinkCounts::kRestMs / 3);
        }
        auto *label = h.widget<QLabel>("articleLinksLabel");
        QTRY_VERIFY(label->text().contains(QStringLiteral(">Cited by 7</a>")));
        QVERIFY(label->text().contains(QStringLiteral(">References 2</a>")));
        const QString third = c.getArticleList().at(3).text(ArticleRecord::Key::PMID);
        QCOMPARE(elinkTargets(), (QStringList{elinkTargets().value(0), elink + "?dbfrom=pubmed&db=pubmed&cmd=neighbor&id=" + third + "&tool=vexmoor"}));
        h.selectRows({0});
        QTest::qWait(2 * SelectionLinkCounts::kRestMs);
        QVERIFY(label->text().contains(QStringLiteral(">Cited by 7</a>")));
        QCOMPARE(elinkTargets().size(), 2);

        const QString first = c.getArticleList().at(0).text(ArticleRecord::Key::PMID);
        emit label->linkActivated(QStringLiteral("refs"));
        QCOMPARE(c.tabCount(), 2);
        QCOMPARE(tabs(h)->tabToolTip(1), QStringLiteral("References of ") + first);
    }
};

QTEST_MAIN(TabsWindowTest)
#include "TabsWindowTest.moc"
