#include "AppHarness.h"

#include "gui/articles/KebNSTableView.h"
#include "export/CitationStyle.h"
#include "export/ExportFormat.h"
#include "gui/preferences/PreferenceController.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QMimeData>
#include <QTimer>

namespace {
const QString kRisMime = QStringLiteral("application/x-research-info-systems");
}

class ExportWindowTest : public QObject
{
    Q_OBJECT

private:
    QAction *action(AppHarness &h, const char *name) { return h.widget<QAction>(name); }
    ArticleList articles(AppController &c, const QList<int> &rows)
    {
        ArticleList list;
        for (int row : rows)
            list.append(c.getArticleList().at(row));
        return list;
    }

    // Triggers `exportAction` and answers its file dialog as a user would:
    // picks `filter`, types `fileName` (a whole path) and presses Save. Returns the filters
    // the dialog offered.
    QStringList exportThroughDialog(QAction *exportAction, const QString &fileName, const QString &filter = {})
    {
        QStringList offered;
        bool answered = false;
        QTimer poll;
        poll.setInterval(10);
        connect(&poll, &QTimer::timeout, this, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog || answered)
                return;
            answered = true;
            offered = dialog->nameFilters();
            if (!filter.isEmpty()) {
                dialog->selectNameFilter(filter);
                emit dialog->filterSelected(filter);
            }
            // Typed into the name field, as selectFile() leaves a focused field alone.
            auto *nameField = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            if (!nameField)
                return;
            nameField->setText(fileName);
            QMetaObject::invokeMethod(dialog, "accept");
        });
        poll.start();
        exportAction->trigger();
        return answered ? offered : QStringList();
    }

    QByteArray contents(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void exportThroughTheDialog()
    {
        AppHarness h;
        START_WITH_RESULTS(c, h, 5);
        h.table()->clearSelection();
        QVERIFY(!action(h, "exportSelectedAction")->isEnabled());
        h.selectRows({3, 1});
        QVERIFY(action(h, "exportSelectedAction")->isEnabled());

        // The extension picks the format, whatever filter is shown.
        const QString bib = h.dir.filePath(QStringLiteral("selected.bib"));
        QCOMPARE(exportThroughDialog(action(h, "exportSelectedAction"), bib), ExportFormats::fileDialogFilters());
        QCOMPARE(contents(bib), ExportFormats::write(ExportFormat::Bibtex, articles(c, {1, 3})));

        const QString csv = h.dir.filePath(QStringLiteral("all.CSV"));
        exportThroughDialog(action(h, "exportAllAction"), csv);
        // With the figures the table shows in its columns.
        QCOMPARE(contents(csv), ExportFormats::write(ExportFormat::Csv, articles(c, {0, 1, 2, 3, 4}), {},
                                                     &c.session().citedBy().metrics()));

        // A name without an extension takes the chosen filter's.
        exportThroughDialog(action(h, "exportAllAction"), h.dir.filePath(QStringLiteral("plain")),
                            QStringLiteral("MEDLINE (*.nbib)"));
        QCOMPARE(contents(h.dir.filePath(QStringLiteral("plain.nbib"))),
                 ExportFormats::write(ExportFormat::Medline, c.getArticleList()));
        QVERIFY(h.alerts.shown.isEmpty());
    }

    void aFailedWriteIsAnAlertAndLeavesNoFile()
    {
        AppHarness h;
        QVERIFY(h.startWithResults(3));
        // A plain file where the folder should be: the write cannot even start.
        QFile blocker(h.dir.filePath(QStringLiteral("blocker")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QString path = h.dir.filePath(QStringLiteral("blocker/refs.ris"));
        exportThroughDialog(action(h, "exportAllAction"), path);
        QCOMPARE(h.alerts.shown.size(), 1);
        const Alert alert = h.alerts.shown.first();
        QVERIFY2(alert.message.contains(QStringLiteral("refs.ris")), qPrintable(alert.message));
        QVERIFY(!alert.informativeText.isEmpty());
        QVERIFY(!QFile::exists(path));
    }

    void copyAndDragCarryRisAndTheChosenStyle()
    {
        AppHarness h;
        START_WITH_RESULTS(c, h, 4);
        QClipboard *clipboard = QGuiApplication::clipboard();
        h.selectRows({2, 0});
        h.table()->setFocus();
        QTest::keyClick(h.table(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(clipboard->mimeData()->data(kRisMime), ExportFormats::write(ExportFormat::Ris, articles(c, {0, 2})));

        std::unique_ptr<QMimeData> dragged(h.table()->model()->mimeData({h.table()->model()->index(1, 0)}));
        QCOMPARE(dragged->data(kRisMime), ExportFormats::write(ExportFormat::Ris, articles(c, {1})));

        // The style chosen in the preferences reaches the view and the copy.
        h.store.setObject(PreferenceKeys::CitationStyle, QStringLiteral("APA"));
        h.selectRows({1});
        const QString apa = CitationStyles::cite(CitationStyle::Apa, referenceForArticle(c.getArticleList().at(1))).toPlainText();
        QCOMPARE(h.citationText(), apa);
        QTest::keyClick(h.table(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(clipboard->mimeData()->text(), apa + QStringLiteral("\n\n"));

        const std::pair<const char *, ExportFormat> copyAs[] = {{"copyAsRisAction", ExportFormat::Ris},
                                                                {"copyAsBibtexAction", ExportFormat::Bibtex},
                                                                {"copyAsMedlineAction", ExportFormat::Medline}};
        for (const auto &[name, format] : copyAs) {
            action(h, name)->trigger();
            QCOMPARE(clipboard->mimeData()->text().toUtf8(), ExportFormats::write(format, articles(c, {1})));
        }
    }

    void contextMenuOffersCopyAsAndExport()
    {
        AppHarness h;
        START_WITH_RESULTS(c, h, 2);
        QCOMPARE(h.table()->contextMenuPolicy(), Qt::CustomContextMenu);
        std::unique_ptr<QMenu> menu(c.tableContextMenu());
        QStringList entries;
        for (QAction *entry : menu->actions()) {
            if (entry->menu()) {
                for (QAction *sub : entry->menu()->actions())
                    entries << entry->text() + QLatin1String(" > ") + sub->text();
            } else if (!entry->isSeparator()) {
                entries << entry->text();
            }
        }
        QCOMPARE(entries.mid(entries.indexOf(QStringLiteral("Copy &As > &RIS"))),
                 (QStringList{"Copy &As > &RIS", "Copy &As > &BibTeX", "Copy &As > &MEDLINE", "&Similar Articles",
                              "C&ited By", "&References", "Get &Full Text", "Read Full Te&xt", "&Export Selected…", "Add &to Collection > &New Collection…",
                              "Add to &Last Collection"}));
        // With nothing selected there is nothing to export or copy as a reference.
        h.table()->clearSelection();
        QVERIFY(!h.widget<QAction>("exportSelectedAction")->isEnabled());
        QVERIFY(!h.widget<QMenu>("copyAsMenu")->isEnabled());
    }

    void preferencesPickTheStyle()
    {
        AppHarness h;
        START_WITH_RESULTS(c, h, 1);
        QCOMPARE(c.citationStyle(), CitationStyle::Vexmoor);
        const QString vexmoorCitation = h.citationText();
        c.showPreferencePanel();
        auto *combo = c.preferences()->window()->findChild<QComboBox *>(QStringLiteral("citationStyleComboBox"));
        QVERIFY(combo);
        QCOMPARE(combo->currentText(), QStringLiteral("Vexmoor"));
        combo->setFocus();
        QTest::keyClick(combo, Qt::Key_Down);
        QCOMPARE(c.citationStyle(), CitationStyle::Nlm);
        // The selected article's citation is drawn anew in the style chosen.
        QCOMPARE(h.citationText(), CitationStyles::citationForArticle(CitationStyle::Nlm, c.getArticleList()[0]).toPlainText());
        QVERIFY(h.citationText() != vexmoorCitation);
        h.store.setObject(PreferenceKeys::CitationStyle, QStringLiteral("nonsense"));
        QCOMPARE(c.citationStyle(), CitationStyle::Vexmoor);
    }
};

QTEST_MAIN(ExportWindowTest)
#include "ExportWindowTest.moc"
