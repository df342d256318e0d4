#include "AppHarness.h"

#include "gui/collections/AddIdentifiersDialog.h"
#include "gui/articles/ArticleTableModel.h"
#include "gui/collections/CollectionActions.h"
#include "gui/collections/CollectionTexts.h"
#include "gui/collections/CollectionsPanel.h"
#include "gui/collections/LibraryTasks.h"
#include "gui/collections/NoteEditor.h"
#include "gui/mainwindow/ResultTabs.h"
#include "library/FullTextShelf.h"
#include "library/LibraryStore.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QDropEvent>
#include <QGuiApplication>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressDialog>

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

// Drags `data` over `list` to `at` and drops it there, each event sent to
// the viewport as a drag delivers them; both the move and the drop are
// `taken`, or both refused.
void dropOnList(QListWidget *list, const QMimeData *data, QPoint at, bool taken)
{
    QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QDragMoveEvent move(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QDropEvent drop(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    for (QEvent *event : std::initializer_list<QEvent *>{&enter, &move, &drop})
        QCoreApplication::sendEvent(list->viewport(), event);
    QCOMPARE(move.isAccepted(), taken);
    QCOMPARE(drop.isAccepted(), taken);
}

int rankColumn(const AppHarness &h)
{
    return h.controller->currentTab()->model().columnNamed(ArticleTableModel::RankColumn);
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

        // Ctrl+D adds to the collection used last: "Fever & Co".
        h.selectRows({0});
        pressInTable(h, Qt::CTRL | Qt::Key_D);
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

    void theDockChangesCollections_data()
    {
        QTest::addColumn<QString>("button"); // or what is dropped on the list: "row 3", "text"
        QTest::addColumn<int>("alertAnswer");
        QTest::addColumn<QStringList>("listedAfter");
        QTest::addColumn<QString>("markedAfter");
        QTest::newRow("delete asked and confirmed") << QStringLiteral("deleteCollectionButton") << 0 << QStringList()
                                                    << QStringLiteral("---");
        QTest::newRow("delete asked and declined") << QStringLiteral("deleteCollectionButton") << 1
                                                   << QStringList{QStringLiteral("Kept (2)")} << QStringLiteral("**-");
        QTest::newRow("rename") << QStringLiteral("renameCollectionButton") << 0
                                << QStringList{QStringLiteral("Renamed (2)")} << QStringLiteral("**-");
        // Dropped on the collection's row; "below": on the empty space under it.
        QTest::newRow("row dropped") << QStringLiteral("row 3") << 0 << QStringList{QStringLiteral("Kept (3)")}
                                     << QStringLiteral("***");
        QTest::newRow("row dropped below") << QStringLiteral("row 3 below") << 0
                                           << QStringList{QStringLiteral("Kept (2)")} << QStringLiteral("**-");
        QTest::newRow("text dropped") << QStringLiteral("text") << 0 << QStringList{QStringLiteral("Kept (2)")}
                                      << QStringLiteral("**-");
    }
    void theDockChangesCollections()
    {
        QFETCH(QString, button);
        QFETCH(int, alertAnswer);
        QFETCH(QStringList, listedAfter);
        QFETCH(QString, markedAfter);
        AppHarness h;
        START_WITH_RESULTS(c, h, 3);
        QVERIFY(addToNewCollection(h, {0, 1}, QStringLiteral("Kept"), QStringLiteral("Kept (2)")));
        h.alerts.answers = {alertAnswer};
        c.findChild<CollectionActions *>()->setNameAsker([](const QString &, const QString &) { return QStringLiteral("Renamed"); });
        auto *list = h.widget<QListWidget>("collectionList");
        list->setCurrentRow(0);
        if (button.endsWith(QLatin1String("Button"))) {
            QTest::mouseClick(h.widget<QPushButton>(qPrintable(button)), Qt::LeftButton);
        } else {
            // The drag data the table itself gives for its selected rows.
            h.selectRows({2});
            std::unique_ptr<QMimeData> dragged(h.table()->model()->mimeData(h.table()->selectionModel()->selectedIndexes()));
            if (button == QLatin1String("text")) {
                dragged = std::make_unique<QMimeData>();
                dragged->setText(pmidsShown(c).at(2));
            }
            const QRect row = list->visualItemRect(list->item(0));
            const QPoint at = button.endsWith(QLatin1String("below")) ? QPoint(row.center().x(), row.bottom() + row.height())
                                                                       : row.center();
            dropOnList(list, dragged.get(), at, listedAfter != listed(h));
        }
        QVERIFY(QTest::qWaitFor([&] { return listed(h) == listedAfter; }, 10000));
        QCOMPARE(marks(h), markedAfter);
    }

    void removingFromACollectionIsUndone_data()
    {
        QTest::addColumn<QString>("note");
        QTest::addColumn<bool>("typed"); // the note typed a moment before Delete, else stored before
        QTest::addColumn<QString>("marksAfterRemoval");
        // Held by nothing else, the article leaves the library; a note keeps it there.
        QTest::newRow("without a note") << QString() << false << QStringLiteral("-**");
        QTest::newRow("with a note") << QStringLiteral("read again") << false << QStringLiteral("***");
        QTest::newRow("with a note typed just before") << QStringLiteral("read again") << true << QStringLiteral("***");
    }
    void removingFromACollectionIsUndone()
    {
        QFETCH(QString, note);
        QFETCH(bool, typed);
        QFETCH(QString, marksAfterRemoval);
        AppHarness h;
        START_WITH_RESULTS(c, h, 3);
        QVERIFY(addToNewCollection(h, {0, 1, 2}, QStringLiteral("Trials"), QStringLiteral("Trials (3)")));
        ResultTab *search = c.currentTab();
        const QString removed = pmidsShown(c).at(0);
        if (!note.isEmpty() && !typed)
            QVERIFY(h.library.setNote(removed.toLongLong(), note));
        openListed(h, QStringLiteral("Trials"));
        const QStringList before = pmidsShown(c);
        h.selectRows({int(before.indexOf(removed))});
        if (typed)
            QTest::keyClicks(h.widget<NoteEditor>("noteEditor"), note);
        pressInTable(h, QKeyCombination(Qt::Key_Delete));
        QCOMPARE(listed(h), QStringList{QStringLiteral("Trials (2)")});
        QVERIFY(!pmidsShown(c).contains(removed));
        c.window()->findChild<ResultTabs *>()->setCurrentWidget(search);
        QCOMPARE(marks(h), marksAfterRemoval);

        // Opened again, the collection's tab comes forward; no second one opens.
        openListed(h, QStringLiteral("Trials"));
        QCOMPARE(c.tabCount(), 2);
        QCOMPARE(c.window()->findChild<ResultTabs *>()->currentIndex(), 1);
        pressInTable(h, Qt::CTRL | Qt::Key_Z);
        QCOMPARE(listed(h), QStringList{QStringLiteral("Trials (3)")});
        QCOMPARE(pmidsShown(c), before); // back in its place, with its rank
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
        QTest::addColumn<QString>("scope"); // the collection open and searched alone, or none
        QTest::addColumn<QString>("typed"); // "" for a word of the article looked for
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("told");  // a part of the alert, "" for none
        QTest::addColumn<QString>("passage"); // of its kept full text, shown with it; "" for none kept
        // The article looked for is in "B".
        QTest::newRow("the whole library") << QString() << QString() << true << QString() << QString();
        QTest::newRow("its own collection") << QStringLiteral("B") << QString() << true << QString() << QString();
        QTest::newRow("another collection") << QStringLiteral("A") << QString() << false << QString() << QString();
        QTest::newRow("query syntax typed") << QString() << QStringLiteral("\"NEAR( title: -") << false << QString() << QString();
        QTest::newRow("a text pasted by mistake") << QString() << QStringLiteral("a ").repeated(65) << false
                                                  << QStringLiteral("at most 64 words") << QString();
        QTest::newRow("a word of its kept full text") << QStringLiteral("B") << QStringLiteral("quokkas") << true << QString()
                                                      << QStringLiteral("In its full text: &lt;i&gt;<b>Quokkas</b>&lt;/i&gt; were counted.");
    }
    void theLibrarySearchOpensItsMatches()
    {
        QFETCH(QString, scope);
        QFETCH(QString, typed);
        QFETCH(bool, found);
        QFETCH(QString, told);
        QFETCH(QString, passage);
        AppHarness h;
        START_WITH_RESULTS(c, h, 4);
        QVERIFY(addToNewCollection(h, {0, 1}, QStringLiteral("A"), QStringLiteral("A (2)")));
        QVERIFY(addToNewCollection(h, {2, 3}, QStringLiteral("B"), QStringLiteral("B (2)")));
        const ArticleRecord wanted = c.getArticleList().at(3);
        const QString pmid = wanted.text(ArticleRecord::Key::PMID);
        if (!passage.isEmpty()) {
            FullTextDocument text;
            text.append({TextSection::Methods, TextPassage::Kind::Paragraph, QStringLiteral("<i>Quokkas</i> were counted.")});
            QVERIFY(FullTextShelf(h.library).keepText({.pmid = pmid.toLongLong(), .source = QStringLiteral("PMC")}, text));
        }
        // The title's longest word, looked for by its start.
        QStringList words = wanted.text(ArticleRecord::Key::Title).split(QRegularExpression(QStringLiteral("\\W+")));
        std::sort(words.begin(), words.end(), [](const QString &a, const QString &b) { return a.size() > b.size(); });
        const QString text = typed.isEmpty() ? words.first().chopped(2) + QLatin1Char('*') : typed;
        if (!scope.isEmpty()) {
            openListed(h, scope);
            h.widget<QCheckBox>("searchOpenCollectionBox")->setChecked(true);
        }
        const int tabsBefore = c.tabCount();
        auto *field = h.widget<QLineEdit>("librarySearchField");
        field->setText(text);
        QTest::keyClick(field, Qt::Key_Return);
        if (!told.isEmpty()) {
            QTRY_COMPARE(h.alerts.shown.size(), 1);
            QVERIFY2(h.alerts.shown.first().message.contains(told), qPrintable(h.alerts.shown.first().message));
            QCOMPARE(c.tabCount(), tabsBefore);
            return;
        }
        QTRY_COMPARE(c.tabCount(), tabsBefore + 1);
        QVERIFY(h.alerts.shown.isEmpty());
        QCOMPARE(pmidsShown(c).contains(pmid), found);
        if (!typed.isEmpty() && passage.isEmpty())
            QCOMPARE(c.numberOfRowsInTableView(), 0);
        if (!found)
            return;
        h.selectRows({int(pmidsShown(c).indexOf(pmid))});
        auto *shown = h.widget<QLabel>("fullTextPassageLabel");
        QTRY_COMPARE(shown->isHidden(), passage.isEmpty());
        QCOMPARE(shown->text(), passage);
    }

    void libraryJobsSayHowTheyWent_data()
    {
        QTest::addColumn<int>("job");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("alert");
        QTest::addColumn<QString>("ranks"); // the "#" column of the tab shown after, each with its mark's tooltip
        QTest::newRow("records unchanged") << 0 << QStringLiteral("No article changed") << QString() << "1; 2";
        QTest::newRow("records changed") << 1 << QStringLiteral("1 article changed") << QString() << "1 Changed; 2";
        QTest::newRow("identifiers pasted") << 2 << QStringLiteral("1 article added to Kept")
                                            << QStringLiteral("Not found: zz-top") << "1; 2; 3";
        QTest::newRow("back-up") << 3 << QStringLiteral("Library backed up to ") << QString() << "1; 2; 3";
        // Cancelled while PubMed has not answered, then run again; the last record is retracted since.
        QTest::newRow("records cancelled, then changed") << 4 << QStringLiteral("2 articles changed; 1 is now retracted")
                                                         << QString() << "1 Changed; 2 Retracted";
        // Its folder is a file; <dir>: the test's directory.
        QTest::newRow("back-up refused") << 5 << QString()
                                         << QStringLiteral("The library could not be backed up: The back-up could not be "
                                                           "written to <dir>/library.sqlite/backup.sqlite. Not a directory")
                                         << "1; 2; 3";
    }
    void libraryJobsSayHowTheyWent()
    {
        QFETCH(int, job);
        QFETCH(QString, message);
        QFETCH(QString, alert);
        QFETCH(QString, ranks);
        AppHarness h;
        START_WITH_RESULTS(c, h, 3);
        QVERIFY(addToNewCollection(h, {0, 1}, QStringLiteral("Kept"), QStringLiteral("Kept (2)")));
        const QString backup = h.dir.filePath(QLatin1String(job == 5 ? "library.sqlite/backup.sqlite" : "backup.sqlite"));
        auto *actions = c.findChild<CollectionActions *>();
        const QString efetch = QUrl(QLatin1String(Paths::EFetch)).path();
        auto *update = c.window()->findChild<QAction *>(QStringLiteral("updateRecordsAction"));
        if (job <= 1 || job == 4) {
            if (job != 0) // the first record asked for is revised
                h.server.setHandler(efetch, [job](const QUrl &url) {
                    QByteArray answer = FakeEutilsServer::efetchAnswer(FakeEutilsServer::requestedIds(url));
                    if (job == 4)
                        answer.insert(answer.lastIndexOf("<PublicationTypeList>") + 21,
                                      "<PublicationType>Retracted Publication</PublicationType>");
                    return FakeResponse::xml(answer.insert(answer.indexOf("<ArticleTitle>") + 14, "Revised: "));
                });
            openListed(h, QStringLiteral("Kept"));
            if (job == 4) {
                h.server.enqueue(efetch, FakeResponse::withDelivery(FakeResponse::Delivery::Silent));
                const int asked = h.server.requestCount(efetch);
                update->trigger();
                QVERIFY(QTest::qWaitFor([&] { return h.server.requestCount(efetch) > asked; }, 10000));
                QTest::mouseClick(h.widget<QProgressDialog>("updateRecordsProgress")->findChild<QPushButton *>(), Qt::LeftButton);
                QCOMPARE(h.message(), CollectionTexts::updateCancelled(QStringLiteral("No article changed")));
            }
            update->trigger();
        } else if (job == 2) {
            actions->tasks().addIdentifiers(h.library.collectionNamed(QStringLiteral("Kept"))->id, QStringLiteral("Kept"),
                                            QStringLiteral("PMID: %1, zz-top").arg(pmidsShown(c).at(2)));
        } else {
            actions->tasks().setBackupPathAsker([backup](QWidget *) { return backup; });
            c.findChild<QAction *>(QStringLiteral("backUpLibraryAction"))->trigger();
        }
        QVERIFY2(QTest::qWaitFor([&] { return h.message().startsWith(message); }, 10000),
                 qPrintable(h.message() + (h.alerts.shown.isEmpty() ? QString() : h.alerts.shown.constFirst().message)));
        QCOMPARE(h.alerts.shown.isEmpty() ? QString() : h.alerts.shown.constFirst().message,
                 alert.replace(QStringLiteral("<dir>"), h.dir.path()));
        if (job == 1 || job == 4) {
            QVERIFY(c.getArticleList().constFirst().text(ArticleRecord::Key::Title).startsWith(QLatin1String("Revised: ")));
            QCOMPARE(h.table()->model()->index(0, rankColumn(h)).data(Qt::ToolTipRole).toString(),
                     CollectionTexts::ChangedMark + QStringLiteral(": ") + CollectionTexts::ChangedTip);
        }
        QStringList shown;
        for (int row = 0; row < h.table()->model()->rowCount(); ++row) {
            // The rank alone, always readable; the mark in the tooltip.
            const QModelIndex cell = h.table()->model()->index(row, rankColumn(h));
            QCOMPARE(cell.data().toString(), QString::number(row + 1));
            shown.append((cell.data().toString() + QLatin1Char(' ') + cell.data(Qt::ToolTipRole).toString().section(u':', 0, 0)).trimmed());
        }
        QCOMPARE(shown.join(QStringLiteral("; ")), ranks);
        if (job == 2)
            QCOMPARE(listed(h), QStringList{QStringLiteral("Kept (3)")});
        if (job == 3) {
            LibraryStore copy(backup);
            QCOMPARE(copy.open(), LibraryStore::OpenState::Opened);
            QCOMPARE(copy.collections()->constFirst().size, 2);
        }
    }

    void exportsCarryTheNotes()
    {
        AppHarness h;
        START_WITH_RESULTS(c, h, 2);
        QVERIFY(addToNewCollection(h, {0, 1}, QStringLiteral("Kept"), QStringLiteral("Kept (2)")));
        QVERIFY(h.library.setNote(pmidsShown(c).at(1).toLongLong(), QStringLiteral("compare with table 2")));
        h.selectRows({0, 1});
        c.window()->findChild<QAction *>(QStringLiteral("copyAsRisAction"))->trigger();
        const QString ris = QGuiApplication::clipboard()->text();
        QCOMPARE(ris.count(QStringLiteral("N1  - ")), 1);
        QVERIFY(ris.section(QStringLiteral("ER  -"), 1).contains(QStringLiteral("N1  - compare with table 2")));
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
