// What the window shows of the selected articles and what it does with them:
// inline styles and labels in the abstract and citation views, the marks of a
// retracted article, the links under the citation and the table's context
// menu, on real records.
#include "AppHarness.h"

#include "gui/mainwindow/AppMessages.h"
#include "gui/articles/ArticleLinksLabel.h"
#include "gui/articles/KebNSTableView.h"
#include "citations/StyledText.h"
#include "export/CitationStyle.h"
#include "preferences/PreferenceStore.h"

#include <QAbstractTextDocumentLayout>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QTextBlock>
#include <QTextDocument>

namespace {

using Key = ArticleRecord::Key;

// Real records: a structured abstract with sub- and superscripts, a DOI and a
// PMCID; a DOI alone; neither; a PMCID alone.
const QString kWithEverything = QStringLiteral("27797938");
const QString kDoiOnly = QStringLiteral("11700088");
const QString kNoLinks = QStringLiteral("12091962");
const QString kPmcOnly = QStringLiteral("2930949");

const QString kProxy = QStringLiteral("https://login.proxy.example.edu/login?url=%@");

// The text of a document as runs of one style, neighbours of the same style joined.
QList<RichTextRun> styledRuns(const QTextDocument *document)
{
    QList<RichTextRun> runs;
    const auto add = [&](const QString &text, TextStyles style) {
        if (!runs.isEmpty() && runs.last().style == style)
            runs.last().text += text;
        else if (!text.isEmpty())
            runs.append({text, QString(), style});
    };
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        if (block != document->begin())
            add(QStringLiteral("\n"), runs.isEmpty() ? TextStyles() : runs.last().style);
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            TextStyles style;
            style.setFlag(TextStyle::Italic, format.fontItalic());
            style.setFlag(TextStyle::Bold, format.fontWeight() >= QFont::Bold);
            style.setFlag(TextStyle::Superscript, format.verticalAlignment() == QTextCharFormat::AlignSuperScript);
            style.setFlag(TextStyle::Subscript, format.verticalAlignment() == QTextCharFormat::AlignSubScript);
            add(it.fragment().text(), style);
        }
    }
    return runs;
}

QList<RichTextRun> joined(const RichText &text)
{
    QList<RichTextRun> runs;
    for (RichTextRun run : text.runs()) {
        run.link.clear();
        if (!runs.isEmpty() && runs.last().style == run.style)
            runs.last().text += run.text;
        else
            runs.append(run);
    }
    return runs;
}

// Runs whose style is not plain.
QList<RichTextRun> styledOnly(const QList<RichTextRun> &runs)
{
    QList<RichTextRun> styled;
    for (const RichTextRun &run : runs) {
        if (run.style)
            styled.append(run);
    }
    return styled;
}

} // namespace

class ArticleViewsWindowTest : public QObject
{
    Q_OBJECT

private:
    QTextEdit *abstractView(AppHarness &h) { return h.widget<QTextEdit>("abstractNSTextView"); }
    QTextEdit *citationView(AppHarness &h) { return h.widget<QTextEdit>("citationNSTextView"); }
    ArticleLinksLabel *links(AppHarness &h) { return h.widget<ArticleLinksLabel>("articleLinksLabel"); }

    // The window after a search whose matches are the real records `pmids`,
    // or the hand-made answer `efetch` when one is given.
    [[nodiscard]] bool load(AppHarness &h, const QStringList &pmids, const QByteArray &efetch = {})
    {
        QList<qint64> ids;
        for (const QString &pmid : pmids)
            ids.append(pmid.toLongLong());
        h.server.serveEsearchOf(ids);
        if (efetch.isEmpty())
            h.server.serveEfetch();
        else
            h.server.enqueue(QUrl(QLatin1String(Paths::EFetch)).path(), FakeResponse::xml(efetch));
        h.start();
        h.search(QStringLiteral("q"));
        if (!h.waitForTransfer() || h.controller->numberOfRowsInTableView() != pmids.size()) {
            failTestOnce(QStringLiteral("the records did not arrive: ") + h.message());
            return false;
        }
        return true;
    }
    int rowOf(AppHarness &h, const QString &pmid)
    {
        const ArticleList &list = h.controller->getArticleList();
        for (int row = 0; row < list.size(); ++row) {
            if (list[row].text(Key::PMID) == pmid)
                return row;
        }
        failTestOnce(QStringLiteral("no row holds PMID ") + pmid);
        return -1;
    }
    void select(AppHarness &h, const QStringList &pmids)
    {
        QList<int> rows;
        for (const QString &pmid : pmids)
            rows.append(rowOf(h, pmid));
        h.selectRows(rows);
    }
    const ArticleRecord &record(AppHarness &h, const QString &pmid)
    {
        return h.controller->getArticleList().at(rowOf(h, pmid));
    }
    // The entries of the context menu, submenus as "Menu > Entry".
    QStringList entries(QMenu *menu)
    {
        QStringList texts;
        for (QAction *entry : menu->actions()) {
            if (entry->menu()) {
                for (QAction *sub : entry->menu()->actions())
                    texts << entry->text() + QLatin1String(" > ") + sub->text();
            } else if (!entry->isSeparator()) {
                texts << entry->text();
            }
        }
        return texts;
    }
    QAction *entry(QMenu *menu, const QString &text)
    {
        for (QAction *action : menu->actions()) {
            if (action->text() == text)
                return action;
        }
        return nullptr;
    }

private slots:
    // Labels in bold, sub- and superscripts and italics as the record holds
    // them, in both views; the characters stay the record's own.
    void viewsShowInlineStyles()
    {
        AppHarness h;
        if (!load(h, {kWithEverything}))
            return;
        const ArticleRecord &article = record(h, kWithEverything);
        select(h, {kWithEverything});
        QCOMPARE(h.abstractText(), article.text(Key::Abstract));
        const QList<RichTextRun> shown = styledRuns(abstractView(h)->document());
        QCOMPARE(shown, joined(styledText(article, Key::Abstract)));
        const QList<RichTextRun> styled = styledOnly(shown);
        const QStringList labels{"OBJECTIVE:", "DESIGN:", "RESULTS:", "CONCLUSIONS:"};
        for (const QString &label : labels)
            QVERIFY2(styled.contains(RichTextRun{label, {}, TextStyle::Bold}), qPrintable(label));
        const auto has = [&](TextStyle style) {
            return std::any_of(styled.begin(), styled.end(), [style](const RichTextRun &run) { return run.style == style; });
        };
        QVERIFY(has(TextStyle::Italic) && has(TextStyle::Subscript) && has(TextStyle::Superscript));

        // The title's italic gene name, in the citation.
        QCOMPARE(h.citationText(), h.controller->citationStringForArticle(article));
        QVERIFY(styledOnly(styledRuns(citationView(h)->document())).contains(RichTextRun{"TERT", {}, TextStyle::Italic}));
        // And in a citation style of the guides.
        h.store.setObject(PreferenceKeys::CitationStyle, QStringLiteral("NLM"));
        select(h, {});
        select(h, {kWithEverything});
        QCOMPARE(h.citationText(), CitationStyles::citationForArticle(CitationStyle::Nlm, article).toPlainText());
        QVERIFY(styledOnly(styledRuns(citationView(h)->document())).contains(RichTextRun{"TERT", {}, TextStyle::Italic}));
    }

    // Hand-made records: each retraction marker alone, both, several, and a
    // retraction notice, which is not itself retracted.
    void retractedArticlesAreMarked()
    {
        AppHarness h;
        READ_TEST_DATA(answer, QStringLiteral(VEXMOOR_TEST_SOURCE_DIR "/../data/records/retraction-markers.xml"));
        const QStringList retracted{"900001", "900002", "900003", "900004"};
        const QString notice = QStringLiteral("900011");
        if (!load(h, retracted + QStringList{notice}, answer))
            return;
        const int titleColumn = 1;
        QAbstractItemModel *model = h.table()->model();
        QCOMPARE(model->headerData(titleColumn, Qt::Horizontal).toString(), QStringLiteral("Title"));
        for (const QString &pmid : retracted + QStringList{notice}) {
            const bool isRetracted = pmid != notice;
            const QModelIndex title = model->index(rowOf(h, pmid), titleColumn);
            const QString recordTitle = record(h, pmid).text(Key::Title);
            QCOMPARE(title.data().toString(),
                     isRetracted ? QStringLiteral("RETRACTED: ") + recordTitle : recordTitle);
            QCOMPARE(title.data(Qt::ForegroundRole).isValid(), isRetracted);

            select(h, {pmid});
            const QTextBlock first = abstractView(h)->document()->begin();
            if (isRetracted) {
                QCOMPARE(first.text(), QStringLiteral("This article has been retracted."));
                const QColor color = first.begin().fragment().charFormat().foreground().color();
                QVERIFY2(color.red() > 160 && color.green() < 80 && color.blue() < 80, qPrintable(color.name()));
            } else {
                QCOMPARE(h.abstractText(), record(h, pmid).text(Key::Abstract));
            }
            // The citation keeps the record's title.
            QVERIFY(h.citationText().contains(recordTitle));
            QVERIFY(!h.citationText().contains(QStringLiteral("RETRACTED")));
        }

        // Copying and opening a retracted article still work.
        select(h, {retracted[1]});
        h.table()->setFocus();
        QTest::keyClick(h.table(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 h.controller->citationAStringForArticle(record(h, retracted[1])).toPlainText());
        h.controller->window()->findChild<QAction *>(QStringLiteral("openInPubMedAction"))->trigger();
        QCOMPARE(h.openedUrls(), QStringList{QStringLiteral("https://pubmed.ncbi.nlm.nih.gov/900002/")});
    }

    // The links under the citation: which are offered, where each leads, and
    // that only the DOI goes through the proxy. Opened from the keyboard.
    void linksUnderTheCitation_data()
    {
        QTest::addColumn<QString>("pmid");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QStringList>("urls");
        const QString proxiedDoi =
            QStringLiteral("https://login.proxy.example.edu/login?url=https%3A%2F%2Fdoi.org%2F10.1136%2Fgutjnl-2016-312510");
        QTest::newRow("DOI, PubMed and PMC")
            << kWithEverything << QStringList{"DOI", "PubMed", "Free full text (PMC)"}
            << QStringList{proxiedDoi, "https://pubmed.ncbi.nlm.nih.gov/27797938/",
                           "https://pmc.ncbi.nlm.nih.gov/articles/PMC5442267/"};
        QTest::newRow("no PMCID") << kDoiOnly << QStringList{"DOI", "PubMed"}
                                  << QStringList{"https://login.proxy.example.edu/login?url=https%3A%2F%2Fdoi.org%2F10.1006%2Fjmre.2001.2429",
                                                 "https://pubmed.ncbi.nlm.nih.gov/11700088/"};
        QTest::newRow("no DOI") << kPmcOnly << QStringList{"PubMed", "Free full text (PMC)"}
                                << QStringList{"https://pubmed.ncbi.nlm.nih.gov/2930949/",
                                               "https://pmc.ncbi.nlm.nih.gov/articles/PMC1306303/"};
    }
    void linksUnderTheCitation()
    {
        QFETCH(QString, pmid);
        QFETCH(QStringList, texts);
        QFETCH(QStringList, urls);
        AppHarness h;
        h.store.setBool(PreferenceKeys::UseProxy, true);
        h.store.setObject(PreferenceKeys::ProxyURL, kProxy);
        if (!load(h, {kWithEverything, kDoiOnly, kPmcOnly}))
            return;
        h.controller->window()->show();
        select(h, {pmid});
        ArticleLinksLabel *label = links(h);
        QVERIFY(label->isVisible());
        QTextDocument shown;
        shown.setHtml(label->text());
        QStringList shownTexts = shown.toPlainText().split(QStringLiteral("·"));
        for (QString &text : shownTexts)
            text = text.trimmed();
        QCOMPARE(shownTexts, texts);

        // Tab to each link in turn and press Return.
        label->setFocus(Qt::OtherFocusReason);
        for (int i = 0; i < urls.size(); ++i) {
            QTest::keyClick(label, Qt::Key_Tab);
            QVERIFY(label->hasFocus());
            QTest::keyClick(label, Qt::Key_Return);
        }
        QCOMPARE(h.openedUrls(), urls);

        // Several articles selected, or none: no links.
        select(h, {kWithEverything, kDoiOnly});
        QVERIFY(!label->isVisible());
        select(h, {});
        QVERIFY(!label->isVisible());
    }

    // Every command of the context menu, on a selection of articles with and
    // without a DOI and a PMCID, through the proxy where a DOI is opened.
    void contextMenuCommands_data()
    {
        QTest::addColumn<QStringList>("selection");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("urls");      // opened, in row order
        QTest::addColumn<QString>("clipboard");     // the text put on the clipboard; null: untouched
        const QStringList all{kWithEverything, kDoiOnly, kNoLinks, kPmcOnly};
        const QString doiA = QStringLiteral("10.1136/gutjnl-2016-312510");
        const QString doiB = QStringLiteral("10.1006/jmre.2001.2429");
        const QString proxied = QStringLiteral("https://login.proxy.example.edu/login?url=https%3A%2F%2Fdoi.org%2F");
        QTest::newRow("Open DOI: those with one, proxied")
            << all << "Open &DOI"
            << QStringList{proxied + QString(doiA).replace("/", "%2F"), proxied + QString(doiB).replace("/", "%2F")}
            << QString();
        QTest::newRow("Open in PubMed: each, never proxied")
            << QStringList{kWithEverything, kNoLinks, kPmcOnly} << "Open in &PubMed"
            << QStringList{"https://pubmed.ncbi.nlm.nih.gov/27797938/", "https://pubmed.ncbi.nlm.nih.gov/12091962/",
                           "https://pubmed.ncbi.nlm.nih.gov/2930949/"}
            << QString();
        QTest::newRow("Open Free Full Text: those with a PMCID")
            << all << "Open &Free Full Text"
            << QStringList{"https://pmc.ncbi.nlm.nih.gov/articles/PMC5442267/",
                           "https://pmc.ncbi.nlm.nih.gov/articles/PMC1306303/"}
            << QString();
        QTest::newRow("Copy PMID: one per line") << all << "Copy P&MID" << QStringList()
                                                 << "27797938\n11700088\n12091962\n2930949";
        QTest::newRow("Copy DOI: those with one") << all << "Copy D&OI" << QStringList() << doiA + "\n" + doiB;
    }
    void contextMenuCommands()
    {
        QFETCH(QStringList, selection);
        QFETCH(QString, command);
        QFETCH(QStringList, urls);
        QFETCH(QString, clipboard);
        AppHarness h;
        h.store.setBool(PreferenceKeys::UseProxy, true);
        h.store.setObject(PreferenceKeys::ProxyURL, kProxy);
        if (!load(h, {kWithEverything, kDoiOnly, kNoLinks, kPmcOnly}))
            return;
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        select(h, selection);
        std::unique_ptr<QMenu> menu(h.controller->tableContextMenu());
        QAction *action = entry(menu.get(), command);
        QVERIFY2(action && action->isEnabled(), qPrintable(entries(menu.get()).join(", ")));
        action->trigger();
        QCOMPARE(h.openedUrls(), urls);
        QCOMPARE(QGuiApplication::clipboard()->text(), clipboard.isNull() ? QStringLiteral("before") : clipboard);
        QVERIFY(h.alerts.shown.isEmpty());
    }

    void contextMenuEntriesFollowTheSelection()
    {
        AppHarness h;
        if (!load(h, {kWithEverything, kDoiOnly, kNoLinks, kPmcOnly}))
            return;
        const QStringList copyAndExport{"Copy &Citation", "Copy P&MID", "Copy D&OI", "Copy &As > &RIS",
                                        "Copy &As > &BibTeX", "Copy &As > &MEDLINE", "&Similar Articles",
                                        "C&ited By", "&References", "Get &Full Text", "Read Full Te&xt", "&Export Selected…",
                                        "Add &to Collection > &New Collection…", "Add to &Last Collection"};
        select(h, {kWithEverything, kNoLinks});
        std::unique_ptr<QMenu> menu(h.controller->tableContextMenu());
        QCOMPARE(entries(menu.get()),
                 QStringList({"Open &DOI", "Open in &PubMed", "Open &Free Full Text"}) + copyAndExport);
        // No PMCID among the selected: no free full text to offer.
        select(h, {kDoiOnly, kNoLinks});
        menu.reset(h.controller->tableContextMenu());
        QCOMPARE(entries(menu.get()), QStringList({"Open &DOI", "Open in &PubMed"}) + copyAndExport);
        // No DOI either: its commands are there but disabled.
        select(h, {kNoLinks});
        menu.reset(h.controller->tableContextMenu());
        QVERIFY(!entry(menu.get(), "Open &DOI")->isEnabled());
        QVERIFY(!entry(menu.get(), "Copy D&OI")->isEnabled());
        QVERIFY(entry(menu.get(), "Copy P&MID")->isEnabled());

        // Copy Citation gives what Copy gives.
        select(h, {kPmcOnly, kWithEverything});
        menu.reset(h.controller->tableContextMenu());
        entry(menu.get(), "Copy &Citation")->trigger();
        const QString viaMenu = QGuiApplication::clipboard()->text();
        h.table()->setFocus();
        QGuiApplication::clipboard()->clear();
        QTest::keyClick(h.table(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(viaMenu, QGuiApplication::clipboard()->text());
        QVERIFY(viaMenu.contains(record(h, kPmcOnly).text(Key::Title)));
        QVERIFY(viaMenu.contains(record(h, kWithEverything).text(Key::Title)));

        // More links than the warning threshold: asked first; Cancel opens nothing.
        h.store.setObject(PreferenceKeys::UrlWarningNumber, 2);
        select(h, {kWithEverything, kDoiOnly, kNoLinks});
        h.alerts.answers = {1};
        menu.reset(h.controller->tableContextMenu());
        entry(menu.get(), "Open in &PubMed")->trigger();
        QCOMPARE(h.alerts.shown.size(), 1);
        QCOMPARE(h.alerts.shown[0].informativeText, AppMessages::multipleLinks(3));
        QVERIFY(h.opener.opened.isEmpty());
    }
};

QTEST_MAIN(ArticleViewsWindowTest)
#include "ArticleViewsWindowTest.moc"
