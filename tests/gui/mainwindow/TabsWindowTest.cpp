#include "AppHarness.h"

#include "gui/citationnetwork/LinkActions.h"
#include "gui/mainwindow/ResultTabs.h"
#include "gui/articles/ArticleTableModel.h"
#include "search/SearchMessages.h"
#include "search/SelectionLinkCounts.h"

#include <QAccessible>
#include <QAbstractItemView>
#include <QClipboard>
#include <QCompleter>
#include <QDockWidget>
#include <QMenuBar>
#include <QTimer>
#include <QGuiApplication>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QTabBar>
#include <QUrlQuery>

#include "gui/references/ReferenceListDialog.h"

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
        // The recent searches, open as Alt+Return is pressed, step aside for the search.
        QCompleter *recent = h.searchField()->completer();
        recent->setCompletionPrefix(QString());
        QTRY_VERIFY((recent->complete(), recent->popup()->isVisible()));
        h.search(QStringLiteral("beta"), Qt::AltModifier);
        QVERIFY(!recent->popup()->isVisible());
        QCOMPARE(c.tabCount(), 2);
        QVERIFY(tabs(h)->tabBar()->isVisible());
        ResultTab *alpha = tabs(h)->resultTabs().at(0);
        ResultTab *beta = tabs(h)->resultTabs().at(1);
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
        // Back from the search field, where the focus sits after a search,
        // whichever way Ctrl+Shift+Tab arrives.
        for (const Qt::Key key : {Qt::Key_Tab, Qt::Key_Backtab}) {
            h.searchField()->setFocus();
            QTest::keyClick(h.searchField(), key, Qt::ControlModifier | Qt::ShiftModifier);
            QCOMPARE(c.currentTab(), alpha);
            press(h, Qt::CTRL | Qt::Key_Tab);
        }

        // A page (a text being read, a review) sits beside the results: what
        // acts on articles waits while it is shown, and closing it, or the
        // last result set beside it, leaves a result set.
        h.selectRows({0});
        ResultTab *results = c.currentTab();
        auto *copy = c.window()->findChild<QAction *>(QStringLiteral("copyCitationAction"));
        QVERIFY(copy->isEnabled());
        QPointer<QWidget> page = new QWidget;
        tabs(h)->showPage(page, QStringLiteral("A & B"));
        QCOMPARE(tabs(h)->currentWidget(), page.data());
        QCOMPARE(tabs(h)->tabToolTip(2), QStringLiteral("A & B"));
        QCOMPARE(c.tabCount(), 2);
        QCOMPARE(c.currentTab(), results);
        QVERIFY(!copy->isEnabled());
        press(h, Qt::CTRL | Qt::Key_PageUp);
        QVERIFY(copy->isEnabled());
        tabs(h)->showPage(page, QString());
        QCOMPARE(tabs(h)->count(), 3);
        emit tabs(h)->tabCloseRequested(0); // the other result set
        QCOMPARE(c.tabCount(), 1);
        QCOMPARE(c.currentTab(), results);
        press(h, Qt::CTRL | Qt::Key_W);
        QVERIFY(page.isNull());
        QCOMPARE(tabs(h)->count(), 1);
        QCOMPARE(c.currentTab(), results);
        page = new QWidget;
        tabs(h)->showPage(page, QStringLiteral("page"));
        emit tabs(h)->tabCloseRequested(0); // the last one: a new one takes its place
        QCOMPARE(c.tabCount(), 1);
        QVERIFY(c.currentTab() && c.currentTab() != results && !page.isNull());
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

    // Alt and a letter reach one thing: a letter of the menu bar is no
    // button's, and none repeats within a menu, a submenu or a context menu.
    // Every menu and button the window has is walked, a context menu by
    // asking each widget that offers one; no shortcut reads as a key name
    // no keyboard shows.
    void everyMnemonicIsUnique()
    {
        AppHarness h;
        START_WITH_RESULTS(c, h, 3);
        for (QDockWidget *dock : c.window()->findChildren<QDockWidget *>())
            dock->show();
        QStringList faults;
        using Letters = QHash<QKeyCombination, QString>;
        const auto claim = [&faults](Letters &letters, const QString &text, const QString &where) {
            const QKeySequence letter = QKeySequence::mnemonic(text);
            if (letter.isEmpty())
                return;
            if (letters.contains(letter[0]))
                faults << where + QStringLiteral(": ") + letters.value(letter[0]) + QStringLiteral(" and ") + text;
            letters.insert(letter[0], text);
        };
        std::function<void(QMenu *)> walk = [&](QMenu *menu) {
            Letters letters;
            for (QAction *action : menu->actions()) {
                if (action->isSeparator() || !action->isVisible())
                    continue;
                claim(letters, action->text(), menu->title());
                if (action->shortcut().toString().contains(QLatin1String("Backtab")))
                    faults << action->text() + QStringLiteral(" shows ") + action->shortcut().toString();
                if (action->menu())
                    walk(action->menu());
            }
        };
        Letters window;
        for (QAction *action : c.window()->menuBar()->actions()) {
            claim(window, action->text(), QStringLiteral("menu bar"));
            walk(action->menu());
        }
        for (QAbstractButton *button : c.window()->findChildren<QAbstractButton *>()) {
            if (button->isVisible())
                claim(window, button->text(), QStringLiteral("menu bar and buttons"));
        }
        int contextMenus = 0;
        for (QWidget *widget : c.window()->findChildren<QWidget *>()) {
            if (!widget->isVisible() || widget->contextMenuPolicy() != Qt::CustomContextMenu)
                continue;
            QTimer::singleShot(0, widget, [&] {
                if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
                    ++contextMenus;
                    walk(menu);
                    menu->close();
                }
            });
            emit widget->customContextMenuRequested(widget->rect().center());
            QCoreApplication::processEvents();
        }
        QVERIFY(contextMenus >= 1); // the table's at least
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
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
                 QStringList({first.text(ArticleRecord::Key::AuthorsString).trimmed(), first.text(ArticleRecord::Key::Title),
                              first.text(ArticleRecord::Key::Journal), first.text(ArticleRecord::Key::Year)})
                     .join(QStringLiteral(", ")));
    }

    // Cited By for two selected articles: a new tab of the articles citing
    // either, newest first, from one ELink request (one link set per PMID), filled batch by batch.
    void citedByOpensATabThatFillsInBatches()
    {
        AppHarness h;
        h.store.setObject(PreferenceKeys::CitationSource, CitationSources::name(CitationSource::Pmc));
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
                             + FakeEutilsServer::fakePmid(0) + "&id=" + FakeEutilsServer::fakePmid(1) + "&tool=vexmoor"});
        QCOMPARE(tabs(h)->resultTabs().at(0)->session().articles().size(), 20); // the searched tab is left as it was
        // Its exports say how each article was found: which of the PMIDs it cites.
        h.selectRows({0, 19, 39}); // 5000040 cites only the second, 5000021 both, 5000001 the first
        c.window()->findChild<QAction *>(QStringLiteral("copyAsRisAction"))->trigger();
        const QString ris = QGuiApplication::clipboard()->text();
        QCOMPARE(ris.count(QStringLiteral("N1  - ")), 3);
        for (int i : {0, 1})
            QVERIFY(ris.contains(QStringLiteral("N1  - Cites PMID %1\r\n").arg(FakeEutilsServer::fakePmid(i))));
        QVERIFY(ris.contains(QStringLiteral("N1  - Cites PMIDs %1, %2\r\n").arg(FakeEutilsServer::fakePmid(0), FakeEutilsServer::fakePmid(1))));
    }

    // The links area counts the single selected article's links once the
    // selection has rested: one request for it, none for rows passed by,
    // none again for an article already counted.
    void linkCountsOnceTheSelectionRests_data()
    {
        QTest::addColumn<bool>("icite");
        QTest::newRow("from PubMed Central") << false;
        QTest::newRow("from iCite, the table's counts off") << true;
    }
    void linkCountsOnceTheSelectionRests()
    {
        QFETCH(bool, icite);
        AppHarness h;
        h.store.setBool(PreferenceKeys::ShowCitationCounts, false); // the table's counts ask too
        h.store.setObject(PreferenceKeys::CitationSource, CitationSources::name(icite ? CitationSource::Icite : CitationSource::Pmc));
        h.server.serveElink([](const QString &, const QString &linkName) {
            const int count = linkName == QLatin1String("pubmed_pubmed_citedin") ? 7 : linkName == QLatin1String("pubmed_pubmed_refs") ? 2 : 4;
            QStringList linked;
            for (int i = 1; i <= count; ++i)
                linked.append(QString::number(6000000 + i));
            return linked;
        });
        h.server.setHandler(QLatin1String(Paths::IcitePubs), [](const QUrl &url) {
            return FakeResponse::xml(QStringLiteral(R"({"data": [{"pmid": %1, "citation_count": 7, "references": [1, 2]}]})")
                                         .arg(QUrlQuery(url).queryItemValue(QStringLiteral("pmids")))
                                         .toUtf8());
        });
        START_WITH_RESULTS(c, h, 30);
        const QString elink = QLatin1String(icite ? Paths::IcitePubs : Paths::ELinkService);
        // The full-text sources are looked up on the same rests, through LinkOut.
        const auto linkOutTargets = [&] { return h.server.requestTargets().filter(QStringLiteral("cmd=llinks")); };
        const auto elinkTargets = [&] {
            QStringList targets = h.server.requestTargets().filter(elink);
            targets.removeIf([](const QString &target) { return target.contains(QStringLiteral("cmd=llinks")); });
            return targets;
        };
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
        const QString asked = icite ? elink + "?pmids=" + third : elink + "?dbfrom=pubmed&db=pubmed&cmd=neighbor&id=" + third + "&tool=vexmoor";
        QCOMPARE(elinkTargets(), (QStringList{elinkTargets().value(0), asked}));
        for (const int row : {1, 2})
            QVERIFY(linkOutTargets().filter(c.getArticleList().at(row).text(ArticleRecord::Key::PMID)).isEmpty());
        QTRY_COMPARE(linkOutTargets().filter(third).size(), 1);
        h.selectRows({0});
        QTest::qWait(2 * SelectionLinkCounts::kRestMs);
        QVERIFY(label->text().contains(QStringLiteral(">Cited by 7</a>")));
        QCOMPARE(elinkTargets().size(), 2);

        const QString first = c.getArticleList().at(0).text(ArticleRecord::Key::PMID);
        emit label->linkActivated(QStringLiteral("refs"));
        QCOMPARE(c.tabCount(), 2);
        QCOMPARE(tabs(h)->tabToolTip(1), QStringLiteral("References of ") + first);
    }

    // From iCite, the default: the Cited by and RCR columns of the whole batch
    // from one request, blank where iCite has no RCR, sorted by number; the
    // links area takes the table's figures; Cited By opens iCite's citing
    // articles. PubMed Central chosen instead hides the RCR and asks ELink.
    void citationFiguresFromIcite()
    {
        AppHarness h;
        // The article ending in digit n: cited n times by 600000n, RCR n/4, none for n = 3.
        h.server.setHandler(QLatin1String(Paths::IcitePubs), [](const QUrl &url) {
            QStringList records;
            for (const QString &pmid : QUrlQuery(url).queryItemValue(QStringLiteral("pmids")).split(u',')) {
                const int n = pmid.right(1).toInt();
                records.append(QStringLiteral(R"({"pmid": %1, "citation_count": %2, "relative_citation_ratio": %3, "cited_by": [%4], "references": []})")
                                   .arg(pmid).arg(n).arg(n == 3 ? QStringLiteral("null") : QString::number(n / 4.0)).arg(6000000 + n));
            }
            return FakeResponse::xml((QStringLiteral(R"({"data": [)") + records.join(u',') + QStringLiteral("]}")).toUtf8());
        });
        START_WITH_RESULTS(c, h, 30);
        const ArticleTableModel &model = c.currentTab()->model();
        const int citedBy = model.columnNamed(ArticleTableModel::CitedByColumn);
        const int rcr = model.columnNamed(ArticleTableModel::RcrColumn);
        QVERIFY(!h.table()->isColumnHidden(citedBy) && !h.table()->isColumnHidden(rcr));
        const auto cell = [&](int row, int column) { return model.index(row, column).data().toString(); };
        QCOMPARE((QStringList{cell(0, citedBy), cell(0, rcr), cell(2, citedBy), cell(2, rcr)}), (QStringList{"1", "0.25", "3", ""}));
        QVERIFY(model.headerData(citedBy, Qt::Horizontal, Qt::ToolTipRole).toString().contains(QStringLiteral("(iCite)")));
        // The links area takes the figures the table has, asking nothing more.
        const int asked = h.server.requestCount(QLatin1String(Paths::IcitePubs));
        h.selectRows({4});
        QVERIFY(h.widget<QLabel>("articleLinksLabel")->text().contains(QStringLiteral("RCR 1.25")));
        QCOMPARE(h.server.requestCount(QLatin1String(Paths::IcitePubs)), asked);
        QCOMPARE(h.server.requestCount(QLatin1String(Paths::ELinkService)), 0);

        h.selectRows({0, 1});
        h.widget<QMenu>("articlesMenu")->actions().value(1)->trigger();
        QVERIFY(h.waitForTransfer());
        QCOMPARE(LinkActions::pmidsOf(c.getArticleList(), {0, 1}), (QStringList{"6000002", "6000001"}));
        QCOMPARE(h.server.requestCount(QLatin1String(Paths::ELinkService)), 0);

        c.closeTab(1);
        h.table()->sortByColumn(rcr, Qt::DescendingOrder);
        QCOMPARE((QStringList{cell(0, rcr), cell(19, rcr)}), (QStringList{"2.25", ""}));
        h.store.setObject(PreferenceKeys::CitationSource, CitationSources::name(CitationSource::Pmc));
        c.tableViewSelectionDidChange();
        QVERIFY(h.table()->isColumnHidden(rcr));
        // The table's counts again, from ELink: one POST for the batch.
        QTRY_VERIFY(std::any_of(h.server.requests().cbegin(), h.server.requests().cend(), [](const FakeRequest &request) {
            return request.method == "POST" && request.url.path() == QLatin1String(Paths::ELinkService);
        }));
    }

    // A pasted list from File > Find Articles from References, matched, one
    // PMID typed in, opened as a tab in the pasted order, each article's
    // exports naming its reference; Ctrl+Shift+V in the search field opens
    // the list from the clipboard, and pastes anything else as text.
    void referenceListOpensATab()
    {
        AppHarness h;
        h.server.serveEfetch();
        h.server.setHandler(QLatin1String(Paths::ECitMatch), [](const QUrl &) {
            return FakeResponse::xml("cell|2001|7|11|lee c|0|39000005\ncell|2002|8|12|kim d|1|39000003\n");
        });
        h.server.setHandler(QLatin1String(Paths::ESearch), [](const QUrl &) { return FakeResponse::xml(FakeEutilsServer::esearchAnswer(0, 0, 5)); });
        AppController &c = h.start();
        c.window()->findChild<QAction *>(QStringLiteral("findArticlesFromReferencesAction"))->trigger();
        auto *dialog = c.window()->findChild<ReferenceListDialog *>();
        QVERIFY(dialog && dialog->isVisible());
        const QString list = QStringLiteral("1. Lee C. Lectins revisited today. Cell. 2001;7:11.\n2. Kim D. Amoebae at length. Cell. 2002;8:12.\n"
                                            "3. Oh F. Nothing anywhere matches this title. 2004.");
        dialog->findChild<QPlainTextEdit *>(QStringLiteral("referencesText"))->setPlainText(list);
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("findArticlesButton")), Qt::LeftButton);
        auto *results = dialog->findChild<QTableWidget *>(QStringLiteral("matchedReferences"));
        QTRY_COMPARE(results->rowCount(), 3);
        QCOMPARE((QStringList{results->item(0, 2)->text(), results->item(2, 1)->text(), results->item(2, 2)->text()}),
                 (QStringList{"citation match", "", "not found"}));
        results->item(2, 1)->setText(QStringLiteral("39000009"));
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("openReferencesButton")), Qt::LeftButton);
        QCOMPARE(tabs(h)->tabToolTip(1), QStringLiteral("References pasted (3 of 3 found)"));
        QVERIFY(h.waitForTransfer());
        QCOMPARE(LinkActions::pmidsOf(c.getArticleList(), {0, 1, 2}), (QStringList{"39000005", "39000003", "39000009"}));
        h.selectRows({1});
        c.window()->findChild<QAction *>(QStringLiteral("copyAsRisAction"))->trigger();
        QVERIFY(QGuiApplication::clipboard()->text().contains(QStringLiteral("N1  - Kim D. Amoebae at length. Cell. 2002;8:12.\r\n")));

        dialog->close();
        QGuiApplication::clipboard()->setText(list);
        c.window()->activateWindow();
        h.searchField()->setFocus();
        QTRY_VERIFY(h.searchField()->hasFocus());
        QTest::keyClick(h.searchField(), Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
        QTRY_VERIFY(c.window()->findChild<ReferenceListDialog *>() && c.window()->findChild<ReferenceListDialog *>()->isVisible());
        QCOMPARE(c.window()->findChild<ReferenceListDialog *>()->text(), list);
        QGuiApplication::clipboard()->setText(QStringLiteral("asthma"));
        h.searchField()->clear();
        QTest::keyClick(h.searchField(), Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(h.searchField()->text(), QStringLiteral("asthma"));
    }
};

QTEST_MAIN(TabsWindowTest)
#include "TabsWindowTest.moc"
