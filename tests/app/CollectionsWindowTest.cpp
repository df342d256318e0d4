#include "AppHarness.h"

#include "app/AddIdentifiersDialog.h"
#include "app/ArticleTableModel.h"
#include "app/CollectionActions.h"
#include "app/CollectionsPanel.h"
#include "app/NoteEditor.h"
#include "app/ResultTabs.h"
#include "library/LibraryStore.h"

#include <QAction>
#include <QCheckBox>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>

namespace {
QStringList listed(const AppHarness &h)
{
    QStringList texts;
    const auto *list = h.widget<QListWidget>("collectionList");
    for (int row = 0; row < list->count(); ++row)
        texts.append(list->item(row)->text());
    return texts;
}

QStringList pmidsShown(const AppController &c)
{
    QStringList pmids;
    for (const ArticleRecord &article : c.getArticleList())
        pmids.append(article.text(ArticleRecord::Key::PMID));
    return pmids;
}

// Adds the selected rows to a new collection called `name` through the
// Articles menu; true once the download has stored them.
bool addToNewCollection(AppHarness &h, const QList<int> &rows, const QString &name, const QString &listedAs)
{
    h.controller->findChild<CollectionActions *>()->setNameAsker([name](const QString &, const QString &) { return name; });
    h.selectRows(rows);
    h.controller->window()->findChild<QMenu *>(QStringLiteral("addToCollectionMenu"))->actions().constFirst()->trigger();
    return QTest::qWaitFor([&] { return listed(h).contains(listedAs); }, 10000);
}

// Opens the collection listed as `name (…)` in the dock by pressing Return on it.
void openListed(const AppHarness &h, const QString &name)
{
    auto *list = h.widget<QListWidget>("collectionList");
    list->setCurrentRow(int(listed(h).indexOf(QRegularExpression(QRegularExpression::escape(name) + QStringLiteral(" \\(\\d+\\)")))));
    QTest::keyClick(list, Qt::Key_Return);
}

// Presses `key` in the table, which has the focus in an active window, as the user would.
void pressInTable(const AppHarness &h, QKeyCombination key)
{
    QVERIFY(QTest::qWaitForWindowActive(h.controller->window()));
    h.table()->setFocus();
    QTest::keyClick(h.table(), key.key(), key.keyboardModifiers());
}

QString marks(const AppHarness &h)
{
    const QAbstractItemModel *model = h.table()->model();
    const int column = h.controller->currentTab()->model().columnNamed(ArticleTableModel::LibraryColumn);
    QString shown;
    for (int row = 0; row < model->rowCount(); ++row)
        shown += model->index(row, column).data().toString().isEmpty() ? QLatin1Char('-') : QLatin1Char('*');
    return shown;
}
} // namespace

class CollectionsWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void collectionsKeepSelectionsAndOpenOffline()
    {
        AppHarness h;
        START_WITH_RESULTS(c, h, 5);
        QVERIFY(addToNewCollection(h, {0, 1}, QStringLiteral("Sepsis"), QStringLiteral("Sepsis (2)")));
        // Row 1 is stored already; only row 2 is downloaded.
        QVERIFY(addToNewCollection(h, {1, 2}, QStringLiteral("Fever & Co"), QStringLiteral("Fever & Co (2)")));
        QCOMPARE(listed(h), QStringList({QStringLiteral("Fever & Co (2)"), QStringLiteral("Sepsis (2)")}));
        QCOMPARE(marks(h), QStringLiteral("***--"));
        const QStringList firstTwo = pmidsShown(c).first(2);
        // The mark column sorts the stored articles together.
        h.table()->sortByColumn(c.currentTab()->model().columnNamed(ArticleTableModel::LibraryColumn), Qt::DescendingOrder);
        QCOMPARE(marks(h), QStringLiteral("--***"));

        // Ctrl+Shift+D adds to the collection used last: "Fever & Co".
        h.selectRows({0});
        pressInTable(h, Qt::CTRL | Qt::SHIFT | Qt::Key_D);
        QVERIFY(QTest::qWaitFor([&] { return listed(h).contains(QStringLiteral("Fever & Co (3)")); }, 10000));

        h.reachability.online = false;
        const qsizetype requests = h.server.requestUrls().size();
        openListed(h, QStringLiteral("Sepsis"));
        QCOMPARE(c.tabCount(), 2);
        QCOMPARE(pmidsShown(c), firstTwo);
        QCOMPARE(marks(h), QStringLiteral("**"));
        QCOMPARE(h.server.requestUrls().size(), requests);
        QVERIFY(h.alerts.shown.isEmpty());
    }

    void removingFromACollectionIsUndone_data()
    {
        QTest::addColumn<QString>("note");
        QTest::addColumn<QString>("marksAfterRemoval");
        // Held by nothing else, the article leaves the library; a note keeps it there.
        QTest::newRow("without a note") << QString() << QStringLiteral("-**");
        QTest::newRow("with a note") << QStringLiteral("read again") << QStringLiteral("***");
    }
    void removingFromACollectionIsUndone()
    {
        QFETCH(QString, note);
        QFETCH(QString, marksAfterRemoval);
        AppHarness h;
        START_WITH_RESULTS(c, h, 3);
        QVERIFY(addToNewCollection(h, {0, 1, 2}, QStringLiteral("Trials"), QStringLiteral("Trials (3)")));
        ResultTab *search = c.currentTab();
        const QString removed = pmidsShown(c).at(0);
        if (!note.isEmpty())
            QVERIFY(h.library.setNote(removed.toLongLong(), note));
        openListed(h, QStringLiteral("Trials"));
        const QStringList before = pmidsShown(c);
        h.selectRows({int(before.indexOf(removed))});
        pressInTable(h, QKeyCombination(Qt::Key_Delete));
        QCOMPARE(listed(h), QStringList{QStringLiteral("Trials (2)")});
        QVERIFY(!pmidsShown(c).contains(removed));
        c.window()->findChild<ResultTabs *>()->setCurrentWidget(search);
        QCOMPARE(marks(h), marksAfterRemoval);

        c.window()->findChild<ResultTabs *>()->setCurrentIndex(1);
        pressInTable(h, Qt::CTRL | Qt::Key_Z);
        QCOMPARE(listed(h), QStringList{QStringLiteral("Trials (3)")});
        QVERIFY(pmidsShown(c).contains(removed));
        QCOMPARE(h.library.note(removed.toLongLong()), std::optional<QString>(note));
        QVERIFY(h.alerts.shown.isEmpty());
    }

    void aNoteTypedIsKept_data()
    {
        QTest::addColumn<bool>("closeAtOnce");
        QTest::newRow("the window closed at once") << true;
        QTest::newRow("another article chosen") << false;
    }
    void aNoteTypedIsKept()
    {
        QFETCH(bool, closeAtOnce);
        qint64 pmid = 0;
        {
            AppHarness h;
            START_WITH_RESULTS(c, h, 3);
            QVERIFY(addToNewCollection(h, {0}, QStringLiteral("Notes"), QStringLiteral("Notes (1)")));
            pmid = pmidsShown(c).at(0).toLongLong();
            h.selectRows({1});
            QVERIFY(!h.widget<NoteEditor>("noteEditor")->isEnabled()); // not in the library
            h.selectRows({0});
            auto *editor = h.widget<NoteEditor>("noteEditor");
            QVERIFY(editor->isEnabled());
            editor->setFocus();
            QTest::keyClicks(editor, QStringLiteral("<b>check</b> dose"));
            if (closeAtOnce) {
                h.controller.reset();
            } else {
                h.selectRows({1});
                QCOMPARE(h.library.note(pmid), std::optional<QString>(QStringLiteral("<b>check</b> dose")));
                h.selectRows({0});
                QCOMPARE(editor->toPlainText(), QStringLiteral("<b>check</b> dose"));
            }
            LibraryStore reopened(h.library.path());
            QCOMPARE(reopened.open(), LibraryStore::OpenState::Opened);
            QCOMPARE(reopened.note(pmid), std::optional<QString>(QStringLiteral("<b>check</b> dose")));
        }
    }

    void theLibrarySearchOpensItsMatches_data()
    {
        QTest::addColumn<bool>("hostile");
        QTest::addColumn<bool>("onlyInOpenCollection");
        QTest::newRow("a word of a title") << false << false;
        QTest::newRow("within the open collection") << false << true;
        QTest::newRow("query syntax typed") << true << false;
    }
    void theLibrarySearchOpensItsMatches()
    {
        QFETCH(bool, hostile);
        QFETCH(bool, onlyInOpenCollection);
        AppHarness h;
        START_WITH_RESULTS(c, h, 4);
        QVERIFY(addToNewCollection(h, {0, 1}, QStringLiteral("A"), QStringLiteral("A (2)")));
        QVERIFY(addToNewCollection(h, {2, 3}, QStringLiteral("B"), QStringLiteral("B (2)")));
        const ArticleRecord wanted = c.getArticleList().at(onlyInOpenCollection ? 0 : 3);
        // The title's longest word, looked for by its start.
        QStringList words = wanted.text(ArticleRecord::Key::Title).split(QRegularExpression(QStringLiteral("\\W+")));
        std::sort(words.begin(), words.end(), [](const QString &a, const QString &b) { return a.size() > b.size(); });
        const QString text = hostile ? QStringLiteral("\"NEAR( title: -") : words.first().chopped(2) + QLatin1Char('*');
        if (onlyInOpenCollection) {
            openListed(h, QStringLiteral("A"));
            h.widget<QCheckBox>("searchOpenCollectionBox")->setChecked(true);
        }
        const int tabsBefore = c.tabCount();
        auto *field = h.widget<QLineEdit>("librarySearchField");
        field->setText(text);
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(c.tabCount(), tabsBefore + 1);
        QVERIFY(h.alerts.shown.isEmpty());
        if (hostile) {
            QCOMPARE(c.numberOfRowsInTableView(), 0);
            return;
        }
        QVERIFY(pmidsShown(c).contains(wanted.text(ArticleRecord::Key::PMID)));
        if (onlyInOpenCollection)
            QVERIFY(c.numberOfRowsInTableView() <= 2);
    }

    void everyNewControlHasAnAccessibleName()
    {
        AppHarness h;
        h.start();
        AddIdentifiersDialog dialog(QStringLiteral("A"), h.controller->window());
        QList<QWidget *> widgets = h.widget<CollectionsPanel>("collectionsPanel")->findChildren<QWidget *>();
        widgets += dialog.findChildren<QWidget *>();
        widgets.append(h.widget<NoteEditor>("noteEditor"));
        for (QWidget *widget : std::as_const(widgets)) {
            if (widget->focusPolicy() != Qt::NoFocus && !widget->inherits("QDialogButtonBox")
                && !qobject_cast<QAbstractButton *>(widget))
                QVERIFY2(!widget->accessibleName().isEmpty(), widget->metaObject()->className());
        }
    }
};

QTEST_MAIN(CollectionsWindowTest)
#include "CollectionsWindowTest.moc"
