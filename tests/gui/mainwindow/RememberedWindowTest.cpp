#include "AppHarness.h"
#include "DamagedLibrary.h"

#include "gui/articles/KebNSTableView.h"
#include "preferences/RecentSearches.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QCompleter>
#include <QDockWidget>
#include <QHeaderView>
#include <QInputDialog>
#include <QScreen>
#include <QSplitter>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUrlQuery>

namespace {
QStringList completions(QCompleter *completer, const QString &prefix)
{
    completer->setCompletionPrefix(prefix);
    QStringList texts;
    for (int row = 0; row < completer->completionModel()->rowCount(); ++row)
        texts.append(completer->completionModel()->index(row, 0).data().toString());
    return texts;
}
} // namespace

// The window comes back as the user left it, from the same settings file,
// and the search field offers the queries searched for last.
class RememberedWindowTest : public QObject
{
    Q_OBJECT

    static QHeaderView *header(const AppHarness &h)
    {
        return h.widget<KebNSTableView>("articleNSTableView")->horizontalHeader();
    }
    // Closes the window as the user would and opens a new one on the same settings.
    // A library file of a later version of the application, which this one leaves alone.
    static QByteArray newerLibrary()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("newer.sqlite"));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("newer"));
            db.setDatabaseName(path);
            if (!db.open())
                return {};
            QSqlQuery(QStringLiteral("CREATE TABLE later (x)"), db);
            QSqlQuery(QStringLiteral("PRAGMA user_version = 99"), db);
        }
        QSqlDatabase::removeDatabase(QStringLiteral("newer"));
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // A library of this build whose articles' first page is overwritten: not
    // seen at start-up, found by the check of the whole file once the window is up.
    static QByteArray damagedArticles()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("damaged.sqlite"));
        damageLibraryTable(path, QStringLiteral("article"));
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static void reopen(AppHarness &h)
    {
        h.controller->window()->close();
        h.controller.reset();
        h.start();
    }

private slots:
    // A library the window cannot use never stops it, is never changed, and
    // the user is told why once the window is up.
    void theLibraryItFindsAtLaunch_data()
    {
        QTest::addColumn<QByteArray>("existing");
        QTest::addColumn<bool>("usable");
        QTest::addColumn<QString>("told");
        QTest::newRow("none yet") << QByteArray() << true << QString();
        QTest::newRow("damaged") << QByteArray("not a database") << true << QStringLiteral("damaged");
        QTest::newRow("damaged where start-up does not read") << damagedArticles() << true << QStringLiteral("damaged");
        const QByteArray newer = newerLibrary();
        QVERIFY(!newer.isEmpty());
        QTest::newRow("newer") << newer << false << QStringLiteral("newer version");
    }

    void theLibraryItFindsAtLaunch()
    {
        QFETCH(QByteArray, existing);
        QFETCH(bool, usable);
        QFETCH(QString, told);
        AppHarness h;
        if (!existing.isEmpty()) {
            QFile file(h.library.path());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(existing);
        }
        h.start();
        QCOMPARE(h.services.library != nullptr, usable);
        QVERIFY(h.alerts.shown.isEmpty()); // not before the window is up
        if (told.isEmpty()) {
            QTest::qWait(50);
            QVERIFY(h.alerts.shown.isEmpty());
            return;
        }
        QTRY_COMPARE(h.alerts.shown.size(), 1);
        QVERIFY2(h.alerts.shown.first().message.contains(told), qPrintable(h.alerts.shown.first().message));
        if (!usable) {
            QFile file(h.library.path());
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), existing);
        } else {
            QVERIFY(h.alerts.shown.first().informativeText.contains(h.library.movedAsideTo()));
        }
    }

    void theWindowComesBackAsItWasLeft()
    {
        AppHarness h;
        h.server.serveEsearch(20);
        h.server.serveEfetch();
        AppController &first = h.start();
        const QList<int> defaultWidths{header(h)->sectionSize(0), header(h)->sectionSize(2)};
        const QList<int> defaultSplit = h.widget<QSplitter>("verticalSplitter")->sizes();
        const QSize defaultSize = first.window()->size();
        QVERIFY(defaultSize != QSize(640, 470));
        first.window()->setGeometry(QRect(QPoint(37, 53), QSize(640, 470)));
        h.widget<QSplitter>("verticalSplitter")->setSizes({250, 150});
        const QList<int> split = h.widget<QSplitter>("verticalSplitter")->sizes();
        QVERIFY(split != defaultSplit);
        header(h)->resizeSection(0, 131);
        header(h)->resizeSection(2, 77);
        header(h)->setSortIndicator(4, Qt::DescendingOrder);

        reopen(h);
        QCOMPARE(h.controller->window()->geometry(), QRect(QPoint(37, 53), QSize(640, 470)));
        QCOMPARE(h.widget<QSplitter>("verticalSplitter")->sizes(), split);
        QCOMPARE(header(h)->sectionSize(0), 131);
        QCOMPARE(header(h)->sectionSize(2), 77);
        QCOMPARE(header(h)->sortIndicatorSection(), 4);
        QCOMPARE(header(h)->sortIndicatorOrder(), Qt::DescendingOrder);

        // The sort kept is the order the first batch arrives in.
        h.search(QStringLiteral("q"));
        QVERIFY(h.waitForTransfer());
        QCOMPARE(h.controller->numberOfRowsInTableView(), 20);
        for (int row = 0; row < 20; ++row)
            QCOMPARE(h.controller->getArticleList()[row].text(ArticleRecord::Key::PMID), FakeEutilsServer::fakePmid(19 - row));
        QCOMPARE(h.widget<KebNSTableView>("articleNSTableView")->selectedRowIndexes(), QList<int>{0});
        QVERIFY(h.citationText().contains(FakeEutilsServer::fakePmid(19)));

        // Values no window can use are passed over; the window keeps its defaults.
        h.settings.setValue(QStringLiteral("window/geometry"), QStringLiteral("large"));
        h.settings.setValue(QStringLiteral("window/columnWidths"), QStringLiteral("wide"));
        h.settings.setValue(QStringLiteral("window/splitterSizes"), QVariantList{-5, 10});
        h.settings.setValue(QStringLiteral("window/sortColumn"), 99);
        h.controller.reset();
        h.start();
        QCOMPARE((QList<int>{header(h)->sectionSize(0), header(h)->sectionSize(2)}), defaultWidths);
        QCOMPARE(h.widget<QSplitter>("verticalSplitter")->sizes(), defaultSplit);
        QCOMPARE(header(h)->sortIndicatorSection(), -1);
        QCOMPARE(h.controller->window()->size(), defaultSize);
    }

    // Every dock the window has comes back shown or hidden, on the side it
    // was left on, whichever way the user last turned it; a floating one with
    // its frame. Search Details opens wide enough to read a translation.
    void everyDockComesBackAsItWasLeft()
    {
        AppHarness h;
        h.start();
        auto *details = h.widget<QDockWidget>("searchDetailsPanel");
        QVERIFY(details->isFloating());
        QVERIFY(details->width() >= details->fontMetrics().averageCharWidth() * 60);
        for (const Qt::DockWidgetArea side : {Qt::LeftDockWidgetArea, Qt::BottomDockWidgetArea}) {
            QMainWindow *window = h.controller->window();
            QHash<QString, bool> shown;
            for (QDockWidget *dock : window->findChildren<QDockWidget *>()) {
                dock->setFloating(false);
                window->addDockWidget(side, dock);
                dock->toggleViewAction()->trigger();
                shown.insert(dock->objectName(), dock->isVisibleTo(window));
            }
            QVERIFY(shown.size() >= 4);
            reopen(h);
            window = h.controller->window();
            for (QDockWidget *dock : window->findChildren<QDockWidget *>()) {
                QVERIFY2(dock->isVisibleTo(window) == shown.value(dock->objectName()), qPrintable(dock->objectName()));
                QCOMPARE(window->dockWidgetArea(dock), side);
            }
        }
        details = h.widget<QDockWidget>("searchDetailsPanel");
        details->setFloating(true);
        details->setGeometry(QRect(QPoint(120, 90), QSize(700, 333)));
        reopen(h);
        QVERIFY(h.widget<QDockWidget>("searchDetailsPanel")->isFloating());
        QCOMPARE(h.widget<QDockWidget>("searchDetailsPanel")->size(), QSize(700, 333));
    }

    // A dialog is as wide as its whole title, shown or retitled, but never
    // wider than the screen.
    void dialogsShowTheirWholeTitle()
    {
        AppHarness h;
        h.start();
        QInputDialog dialog(h.controller->window());
        const QFontMetrics metrics(QApplication::font("QMdiSubWindowTitleBar"));
        const int screen = dialog.screen()->availableGeometry().width();
        const QString longTitle = QStringLiteral("Updating Records \u2014 Randomised trials of statins in the elderly");
        for (const QString &title : {QStringLiteral("Rename"), longTitle, QStringLiteral("Review \u2014 ").repeated(80)}) {
            for (const bool retitled : {false, true}) {
                dialog.hide();
                dialog.resize(dialog.minimumSizeHint());
                dialog.setWindowTitle(retitled ? QString() : title);
                dialog.show();
                dialog.setWindowTitle(title);
                const int width = metrics.horizontalAdvance(title);
                QVERIFY2(dialog.width() >= std::min(width, screen - 160), qPrintable(title));
                QVERIFY(dialog.width() <= std::max(screen, dialog.minimumSizeHint().width()));
            }
        }
    }

    // From the history, or, without a library, from the settings.
    void recentSearchesAreOfferedAndCleared_data()
    {
        QTest::addColumn<bool>("library");
        QTest::newRow("history") << true;
        QTest::newRow("settings, no library") << false;
    }
    void recentSearchesAreOfferedAndCleared()
    {
        QFETCH(bool, library);
        AppHarness h;
        if (!library) {
            QFile file(h.library.path());
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(newerLibrary()) > 0);
        }
        h.server.serveEsearch(0);
        AppController &first = h.start();
        QCOMPARE(h.services.library != nullptr, library);
        h.search(QStringLiteral("crispr cas9"));
        h.search(QStringLiteral("p53[ti]"));
        h.search(QStringLiteral("  crispr cas9 "));
        h.reachability.online = false;
        h.search(QStringLiteral("never searched"));
        h.reachability.online = true;
        QCOMPARE(first.recentSearches(), (QStringList{"crispr cas9", "p53[ti]"}));
        QCompleter *completer = h.searchField()->completer();
        QVERIFY(completer);
        QCOMPARE(completions(completer, QStringLiteral("CRI")), QStringList{"crispr cas9"});
        QCOMPARE(completions(completer, QString()), (QStringList{"crispr cas9", "p53[ti]"}));

        // Typing brings the list up under the field.
        h.searchField()->clear();
        QTest::keyClicks(h.searchField(), QStringLiteral("p5"));
        QVERIFY(QTest::qWaitFor([&] { return completer->popup()->isVisible(); }, 2000));
        QCOMPARE(completer->currentCompletion(), QStringLiteral("p53[ti]"));
        const qsizetype searches = h.esearchRequests().size();
        QTest::keyClick(completer->popup(), Qt::Key_Down);
        QTest::keyClick(completer->popup(), Qt::Key_Return);
        // Picking one with the keyboard searches for it again, and it moves to
        // the front; the field keeps the query that was searched.
        QVERIFY(h.waitForSearchAnswer());
        QCOMPARE(h.searchField()->text(), QStringLiteral("p53[ti]"));
        QCOMPARE(h.esearchRequests().size(), searches + 1);
        QVERIFY(!completer->popup()->isVisible());
        QCOMPARE(first.recentSearches(), (QStringList{"p53[ti]", "crispr cas9"}));
        // The second of the whole list, which then moves to the front: the
        // field still shows what was searched.
        h.searchField()->clear();
        completer->setCompletionPrefix(QString());
        completer->complete();
        QVERIFY(QTest::qWaitFor([&] { return completer->popup()->isVisible(); }, 2000));
        QTest::keyClick(completer->popup(), Qt::Key_Down);
        QTest::keyClick(completer->popup(), Qt::Key_Down);
        QTest::keyClick(completer->popup(), Qt::Key_Return);
        QVERIFY(h.waitForSearchAnswer());
        QTest::qWait(50);
        QCOMPARE(h.searchField()->text(), QStringLiteral("crispr cas9"));
        QCOMPARE(QUrlQuery(h.esearchRequests().last()).queryItemValue(QStringLiteral("term"), QUrl::FullyEncoded),
                 QStringLiteral("crispr%20cas9"));
        QCOMPARE(first.recentSearches(), (QStringList{"crispr cas9", "p53[ti]"}));

        reopen(h);
        QCOMPARE(h.controller->recentSearches(), (QStringList{"crispr cas9", "p53[ti]"}));
        completer = h.searchField()->completer();
        QCOMPARE(completions(completer, QString()), (QStringList{"crispr cas9", "p53[ti]"}));

        auto *clear = h.controller->window()->findChild<QAction *>(QStringLiteral("clearRecentSearchesAction"));
        QVERIFY(clear);
        QCOMPARE(clear->text(), QStringLiteral("Clear &Recent Searches"));
        QVERIFY(clear->isEnabled());
        clear->trigger();
        QVERIFY(h.controller->recentSearches().isEmpty());
        QTRY_VERIFY(completions(completer, QString()).isEmpty());
        QVERIFY(!clear->isEnabled());
        reopen(h);
        QVERIFY(h.controller->recentSearches().isEmpty());
        QVERIFY(completions(h.searchField()->completer(), QString()).isEmpty());
    }
};

QTEST_MAIN(RememberedWindowTest)
#include "RememberedWindowTest.moc"
