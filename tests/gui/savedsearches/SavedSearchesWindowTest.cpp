#include "AppHarness.h"

#include "gui/savedsearches/SavedSearchesPanel.h"

#include <QHeaderView>
#include <QInputDialog>
#include <QTabWidget>
#include <QListWidget>
#include <QTimer>
#include <QUrlQuery>

class SavedSearchesWindowTest : public QObject
{
    Q_OBJECT

    // Runs `trigger` and answers the dialog that asks for a text with `text`
    // (none: the text offered stays).
    static QString answerTextDialog(const std::function<void()> &trigger, const QString &text = {})
    {
        QString offered;
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto *dialog = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            offered = dialog->textValue();
            if (!text.isEmpty())
                dialog->setTextValue(text);
            dialog->accept();
        });
        poll.start();
        trigger();
        return offered;
    }
    static QListWidget *list(AppHarness &h) { return h.widget<QListWidget>("savedSearchesList"); }
    static QString status(AppHarness &h) { return h.widget<SavedSearchesPanel>("savedSearchesPanel")->status(); }
    static void click(AppHarness &h, const char *name) { h.widget<QPushButton>(name)->click(); }
    static bool waitForCheck(AppHarness &h)
    {
        return QTest::qWaitFor([&] { return !status(h).startsWith(QStringLiteral("Checking")); }, 10000);
    }

private slots:
    // Save Search keeps the tab's query; the first check learns what it
    // finds, the next reports only what PubMed added; a failed check keeps
    // the state; Mark All as Seen clears the count.
    void savedSearchChecks_data()
    {
        QTest::addColumn<QList<qint64>>("secondAnswer"); // empty: the service fails
        QTest::addColumn<QString>("row");
        QTest::addColumn<QString>("said");
        QTest::newRow("one more") << QList<qint64>{103, 101, 102} << "alpha (1 new)" << "\u201calpha\u201d: 1 new.";
        QTest::newRow("same") << QList<qint64>{101, 102} << "alpha" << "\u201calpha\u201d: nothing new.";
        QTest::newRow("failed") << QList<qint64>{} << "alpha" << "\u201calpha\u201d could not be checked";
    }
    void savedSearchChecks()
    {
        QFETCH(QList<qint64>, secondAnswer);
        QFETCH(QString, row);
        QFETCH(QString, said);
        AppHarness h;
        h.server.serveEsearchOf({101, 102});
        h.server.serveEfetch();
        h.start();
        h.search(QStringLiteral("alpha"));
        QVERIFY(h.waitForTransfer());
        const QString offered = answerTextDialog([&] { QTest::keyClick(h.controller->window(), Qt::Key_S, Qt::ControlModifier); });
        QCOMPARE(offered, QStringLiteral("alpha"));
        QVERIFY(h.widget<SavedSearchesPanel>("savedSearchesPanel")->isVisible());
        QCOMPARE(list(h)->count(), 1);
        list(h)->item(0)->setSelected(true);

        click(h, "checkSavedSearchButton");
        QVERIFY(waitForCheck(h));
        QCOMPARE(list(h)->item(0)->text(), QStringLiteral("alpha"));
        QVERIFY2(status(h).contains(QStringLiteral("first check")), qPrintable(status(h)));

        if (secondAnswer.isEmpty())
            h.server.setHandler(QLatin1String(Paths::ESearch), [](const QUrl &) { return FakeResponse::html(400, "<p>bad</p>"); });
        else
            h.server.serveEsearchOf(secondAnswer);
        click(h, "checkAllSavedSearchesButton");
        QVERIFY(waitForCheck(h));
        QCOMPARE(list(h)->item(0)->text(), row);
        QVERIFY2(status(h).startsWith(said), qPrintable(status(h)));
        // Only what PubMed added since the day before the last check was asked for.
        const QUrlQuery wire(h.esearchRequests().last());
        QCOMPARE(wire.queryItemValue(QStringLiteral("datetype")), QStringLiteral("edat"));
        QCOMPARE(wire.queryItemValue(QStringLiteral("maxdate")), QStringLiteral("3000"));

        // Opened, its new article is marked and first, even where the
        // service's order puts it last.
        h.server.serveEsearchOf({101, 102, 103});
        list(h)->item(0)->setSelected(true);
        click(h, "openSavedSearchButton");
        QVERIFY(h.waitForTransfer());
        const QAbstractItemModel *model = h.table()->model();
        const int rank = h.controller->currentTab()->model().columnNamed(ArticleTableModel::RankColumn);
        const bool added = row.contains(QStringLiteral("new"));
        // The rank stays readable; the mark is in bold and a tooltip.
        QCOMPARE(model->index(0, rank).data().toString(), QStringLiteral("1"));
        QCOMPARE(model->index(0, rank).data(Qt::ToolTipRole).toString(), added ? QStringLiteral("New") : QString());
        QCOMPARE(model->index(0, 0).data(Qt::FontRole).value<QFont>().bold(), added);
        QVERIFY(!model->index(1, 0).data(Qt::FontRole).value<QFont>().bold());
        QCOMPARE(h.controller->currentTab()->session().articles().constFirst().text(ArticleRecord::Key::PMID),
                 added ? QStringLiteral("103") : QStringLiteral("101"));
        // In every order, a column's too: by rank downwards, the new one (rank 1) stays first.
        h.table()->sortByColumn(rank, Qt::DescendingOrder);
        QCOMPARE(h.controller->currentTab()->session().articles().constFirst().text(ArticleRecord::Key::PMID),
                 QStringLiteral("103"));
        h.table()->sortByColumn(rank, Qt::AscendingOrder);

        list(h)->item(0)->setSelected(true);
        click(h, "markSeenButton");
        QCOMPARE(list(h)->item(0)->text(), QStringLiteral("alpha"));
        QVERIFY2(!status(h).contains(QStringLiteral("1 new")), qPrintable(status(h)));
        QCOMPARE(model->index(0, rank).data().toString(), QStringLiteral("1"));
        h.alerts.answers = {1}; // Remove? Cancel
        click(h, "removeSavedSearchButton");
        QCOMPARE(list(h)->count(), 1);
    }

    // With the preference on, the saved searches are checked once the window is up.
    void checkAtLaunch_data()
    {
        QTest::addColumn<bool>("preference");
        QTest::newRow("off, as it starts") << false;
        QTest::newRow("on") << true;
    }
    void checkAtLaunch()
    {
        QFETCH(bool, preference);
        AppHarness h;
        h.server.serveEsearchOf({101});
        QCOMPARE(h.library.open(), LibraryStore::OpenState::Opened);
        SavedSearch search;
        search.name = search.query = QStringLiteral("alpha");
        QVERIFY(h.library.addSavedSearch(search));
        if (preference)
            h.store.setBool(PreferenceKeys::CheckSavedSearchesAtLaunch, true);
        h.start();
        QVERIFY(h.esearchRequests().isEmpty()); // not before the window is up
        if (preference)
            QVERIFY(QTest::qWaitFor([&] { return !status(h).isEmpty() && waitForCheck(h); }, 10000));
        else
            QTest::qWait(300);
        QCOMPARE(h.esearchRequests().size(), preference ? 1 : 0);
        QCOMPARE(h.library.savedSearch(QStringLiteral("alpha"))->wasChecked(), preference);
    }

    // Rename and Edit Query keep the saved search; Open runs it in a new tab.
    void savedSearchIsRenamedEditedAndOpened()
    {
        AppHarness h;
        h.server.serveEsearch(2);
        h.server.serveEfetch();
        h.start();
        h.search(QStringLiteral("alpha"));
        QVERIFY(h.waitForTransfer());
        answerTextDialog([&] { h.widget<QAction>("saveSearchAction")->trigger(); }, QStringLiteral("mine"));
        list(h)->item(0)->setSelected(true);
        answerTextDialog([&] { click(h, "renameSavedSearchButton"); }, QStringLiteral("ours"));
        list(h)->item(0)->setSelected(true);
        answerTextDialog([&] { click(h, "editSavedSearchButton"); }, QStringLiteral("beta[ti]"));
        QCOMPARE(h.library.savedSearch(QStringLiteral("ours"))->query, QStringLiteral("beta[ti]"));
        list(h)->item(0)->setSelected(true);
        click(h, "openSavedSearchButton");
        QVERIFY(h.waitForSearchAnswer());
        QCOMPARE(h.controller->tabCount(), 2);
        QCOMPARE(QUrlQuery(h.esearchRequests().last()).queryItemValue(QStringLiteral("term"), QUrl::FullyDecoded),
                 QStringLiteral("beta[ti]"));
        // Its tab goes by its name, and takes a new one; the field shows its query.
        auto *tabs = h.widget<QTabWidget>("resultTabs");
        QCOMPARE(tabs->tabText(1), QStringLiteral("ours"));
        QCOMPARE(h.searchField()->text(), QStringLiteral("beta[ti]"));
        list(h)->item(0)->setSelected(true);
        answerTextDialog([&] { click(h, "renameSavedSearchButton"); }, QStringLiteral("theirs"));
        QCOMPARE(tabs->tabText(1), QStringLiteral("theirs"));

        // One saved by the command line meanwhile is listed, and checked, by Check All.
        SavedSearch added;
        added.name = added.query = QStringLiteral("gamma");
        QVERIFY(h.library.addSavedSearch(added));
        click(h, "checkAllSavedSearchesButton");
        QVERIFY(waitForCheck(h));
        QCOMPARE(list(h)->count(), 2);
        QVERIFY(h.library.savedSearch(QStringLiteral("gamma"))->wasChecked());
        // What the check said is said of the search under its new name.
        QVERIFY2(status(h).contains(QStringLiteral("\u201ctheirs\u201d")), qPrintable(status(h)));
        list(h)->findItems(QStringLiteral("theirs"), Qt::MatchStartsWith).value(0)->setSelected(true);
        answerTextDialog([&] { click(h, "renameSavedSearchButton"); }, QStringLiteral("yours"));
        QVERIFY2(status(h).contains(QStringLiteral("\u201cyours\u201d")) && !status(h).contains(QStringLiteral("theirs")),
                 qPrintable(status(h)));
    }
};

QTEST_MAIN(SavedSearchesWindowTest)
#include "SavedSearchesWindowTest.moc"
