#include "AppHarness.h"

#include "gui/history/HistoryActions.h"
#include "gui/history/HistoryTableModel.h"
#include "gui/history/HistoryWindow.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QClipboard>
#include <QFileDialog>
#include <QTimer>
#include <QPlainTextEdit>
#include <QTableView>
#include <QUrlQuery>

namespace {
QString termOf(const QUrl &url)
{
    return QUrlQuery(url).queryItemValue(QStringLiteral("term"), QUrl::FullyDecoded);
}
} // namespace

class HistoryWindowTest : public QObject
{
    Q_OBJECT

    // Searches "alpha" then "beta" (#1, #2) and opens the history window with
    // Ctrl+H.
    static HistoryWindow *searchTwiceAndOpen(AppHarness &h)
    {
        h.server.serveEsearch(3);
        h.server.serveEfetch();
        h.start();
        h.search(QStringLiteral("alpha"));
        h.waitForTransfer();
        h.search(QStringLiteral("beta"));
        h.waitForTransfer();
        QTest::keyClick(h.controller->window(), Qt::Key_H, Qt::ControlModifier);
        auto *window = h.controller->window()->findChild<HistoryWindow *>(QStringLiteral("historyWindow"));
        return window && window->isVisible() ? window : nullptr;
    }
    static QTableView *table(HistoryWindow *window) { return window->findChild<QTableView *>(QStringLiteral("historyTable")); }
    static void selectNumbers(HistoryWindow *window, const QList<qint64> &numbers)
    {
        QTableView *view = table(window);
        view->clearSelection();
        for (int row = 0; row < window->model().rowCount(); ++row) {
            if (numbers.contains(window->model().entryAt(row).number))
                view->selectionModel()->select(window->model().index(row, 0),
                                               QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }
    static QString cell(HistoryWindow *window, int row, HistoryTableModel::Column column)
    {
        return window->model().index(row, column).data().toString();
    }

private slots:
    // Each search is a row, newest first, with its answer; the filter narrows
    // the rows as one types; Delete and Clear History (when answered yes)
    // remove rows for good.
    void searchesAreRecordedFilteredAndRemoved()
    {
        AppHarness h;
        // A large font: the Date column still shows the time whole.
        const QFont font = QApplication::font();
        QApplication::setFont(QFont(font.family(), 22));
        HistoryWindow *window = searchTwiceAndOpen(h);
        QApplication::setFont(font);
        QVERIFY(window);
        QVERIFY(table(window)->columnWidth(HistoryTableModel::Date)
                > table(window)->fontMetrics().horizontalAdvance(cell(window, 0, HistoryTableModel::Date)));
        QAbstractItemModelTester tester(&window->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(window->model().rowCount(), 2);
        QCOMPARE(cell(window, 0, HistoryTableModel::Number), QStringLiteral("2"));
        QCOMPARE(cell(window, 0, HistoryTableModel::Query), QStringLiteral("beta"));
        QCOMPARE(cell(window, 1, HistoryTableModel::Results), QStringLiteral("3"));
        QCOMPARE(cell(window, 1, HistoryTableModel::Translation), QStringLiteral("fake[All Fields]"));

        auto *filter = window->findChild<QLineEdit *>(QStringLiteral("historyFilterField"));
        auto *historyTable = window->findChild<QTableView *>(QStringLiteral("historyTable"));
        historyTable->selectRow(1);
        QTest::keyClicks(filter, QStringLiteral("ALP"));
        QCOMPARE(window->model().rowCount(), 1);
        QCOMPARE(cell(window, 0, HistoryTableModel::Query), QStringLiteral("alpha"));
        // The chosen search stays chosen while it is shown.
        QCOMPARE(historyTable->selectionModel()->selectedRows().value(0).row(), 0);
        filter->clear();
        QCOMPARE(historyTable->selectionModel()->selectedRows().value(0).row(), 1);
        historyTable->clearSelection();

        // The log of the whole history, oldest first, in the format the name asks for.
        const QString logPath = h.dir.filePath(QStringLiteral("log.md"));
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            auto *name = dialog ? dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")) : nullptr;
            if (name) {
                name->setText(logPath);
                QMetaObject::invokeMethod(dialog, "accept");
            }
        });
        poll.start(10);
        window->findChild<QPushButton *>(QStringLiteral("exportSearchLogButton"))->click();
        poll.stop();
        QFile log(logPath);
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QByteArray text = log.readAll();
        QVERIFY2(text.contains("PubMed, through the NCBI E-utilities") && text.indexOf("alpha") < text.indexOf("beta")
                     && text.indexOf("alpha") > 0,
                 text.constData());
        // The user's queries: for the user's eyes only.
        QCOMPARE(log.permissions() & 0x0777, QFileDevice::ReadUser | QFileDevice::WriteUser);

        selectNumbers(window, {1});
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        table(window)->setFocus();
        QTest::keyClick(table(window), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("alpha"));
        QTest::keyClick(table(window), Qt::Key_Delete);
        QCOMPARE(window->model().rowCount(), 1);
        QCOMPARE(h.library.history()->size(), 1);

        auto *clear = window->findChild<QPushButton *>(QStringLiteral("clearHistoryButton"));
        h.alerts.answers = {1}; // Cancel
        clear->click();
        QCOMPARE(h.alerts.shown.last().style, Alert::Style::Question);
        QCOMPARE(window->model().rowCount(), 1);
        clear->click(); // answered with the first button: clear
        QCOMPARE(window->model().rowCount(), 0);
        QVERIFY(h.library.history()->isEmpty());
        QTest::keyClick(table(window), Qt::Key_Escape);
        QVERIFY(!window->isVisible());
    }

    // A long history shows its newest page at once and the rest soon after,
    // every entry once and in order, with the searches recorded meanwhile.
    void aLongHistoryComesAPageAtATime()
    {
        AppHarness h;
        h.server.serveEsearch(0);
        h.start();
        h.search(QStringLiteral("oldest"));
        const qsizetype older = HistoryActions::kFirstHistoryPage + HistoryActions::kOlderHistoryPage + 100;
        QStringList queries;
        for (qsizetype i = older; i > 0; --i)
            queries.append(QStringLiteral("query %1").arg(i));
        QVERIFY(h.library.importQueries(queries));
        QTest::keyClick(h.controller->window(), Qt::Key_H, Qt::ControlModifier);
        auto *window = h.controller->window()->findChild<HistoryWindow *>(QStringLiteral("historyWindow"));
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->model().rowCount(), HistoryActions::kFirstHistoryPage);
        h.search(QStringLiteral("newest"));
        QTRY_COMPARE(window->model().rowCount(), int(older + 2));
        for (int row = 0; row < window->model().rowCount(); ++row)
            QCOMPARE(window->model().entryAt(row).number, older + 2 - row);
    }

    // What runs in a new tab from the history, and what goes out as the term.
    void searchesFromTheHistory_data()
    {
        QTest::addColumn<QList<qint64>>("selected");
        QTest::addColumn<QString>("button"); // or, without a selection, a query typed in the field
        QTest::addColumn<QString>("term");   // empty: no search, `message` in the message line
        QTest::addColumn<QString>("message");
        QTest::newRow("search again") << QList<qint64>{1} << "searchAgainButton" << "alpha" << "";
        QTest::newRow("AND") << QList<qint64>{2, 1} << "combineAndButton" << "(alpha) AND (beta)" << "";
        QTest::newRow("NOT: later out of earlier") << QList<qint64>{1, 2} << "combineNotButton" << "(alpha) NOT (beta)" << "";
        QTest::newRow("typed #1 OR #2") << QList<qint64>{} << "#1 OR #2" << "(alpha) OR (beta)" << "";
        QTest::newRow("typed nested") << QList<qint64>{} << "(#2 OR cells) AND #1" << "((beta) OR cells) AND (alpha)" << "";
        QTest::newRow("typed unknown") << QList<qint64>{} << "#7 AND #1" << ""
                                       << "There is no search #7 in the history.";
    }
    void searchesFromTheHistory()
    {
        QFETCH(QList<qint64>, selected);
        QFETCH(QString, button);
        QFETCH(QString, term);
        QFETCH(QString, message);
        AppHarness h;
        HistoryWindow *window = searchTwiceAndOpen(h);
        QVERIFY(window);
        const qsizetype requests = h.esearchRequests().size();
        const int tabs = h.controller->tabCount();
        if (selected.isEmpty()) {
            h.controller->window()->activateWindow();
            h.search(button);
        } else {
            selectNumbers(window, selected);
            window->findChild<QPushButton *>(button)->click();
            QVERIFY(h.waitForSearchAnswer());
            QCOMPARE(h.controller->tabCount(), tabs + 1);
        }
        if (term.isEmpty()) {
            QCOMPARE(h.esearchRequests().size(), requests);
            QCOMPARE(h.message(), message);
            return;
        }
        QCOMPARE(h.esearchRequests().size(), requests + 1);
        QCOMPARE(termOf(h.esearchRequests().last()), term);
        QVERIFY(h.waitForTransfer());
        // The history keeps what was typed beside what ran, and the details say so.
        const HistoryEntry newest = h.library.history()->first();
        QCOMPARE(newest.effectiveQuery, term);
        if (newest.query() != term)
            QVERIFY(h.controller->window()->findChild<QPlainTextEdit *>(QStringLiteral("searchDetailsText"))
                        ->toPlainText().startsWith(QStringLiteral("Expanded from: ") + newest.query() + QLatin1Char('\n')));
        QCOMPARE(window->model().rowCount(), 3);
    }

    // Without a library the window still searches; the history's commands
    // say why they are not there, and "#n" is not sent to PubMed.
    void withoutALibrary()
    {
        AppHarness h;
        h.server.serveEsearch(3);
        h.server.serveEfetch();
        h.controller = std::make_unique<AppController>(h.services); // services.library stays null
        h.controller->awakeFromNib();
        for (const char *name : {"searchHistoryAction", "exportSearchLogAction"}) {
            auto *action = h.widget<QAction>(name);
            QVERIFY(!action->isEnabled());
            QVERIFY(!action->toolTip().isEmpty());
        }
        h.search(QStringLiteral("#1"));
        QVERIFY(h.esearchRequests().isEmpty());
        h.search(QStringLiteral("alpha"));
        QCOMPARE(h.esearchRequests().size(), 1);
    }
};

QTEST_MAIN(HistoryWindowTest)
#include "HistoryWindowTest.moc"
