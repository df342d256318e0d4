// What is done with rows of a session, without a window: which rows count,
// what the clipboard gets in each form, and which pages open.
#include "AppHarness.h"

#include "gui/articles/ArticleActions.h"
#include "entrez/ArticleExtractor.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {
ArticleList realArticles()
{
    ArticleList articles;
    const std::optional<QByteArray> answer =
        readTestData(QStringLiteral(VEXMOOR_TESTDATA_DIR "/efetch/pubmed_result_4_articles.xml"));
    if (answer)
        appendArticlesFromBytes(*answer, articles, elinkBaseUrl(Endpoints()));
    return articles;
}
} // namespace

class ArticleActionsTest : public QObject
{
    Q_OBJECT

private slots:
    void rowsOutsideTheListAreSkipped()
    {
        const ArticleList articles = realArticles();
        QCOMPARE(articles.size(), 4);
        // A row equal to the list's size is past its end.
        const ArticleList chosen = ArticleActions::articlesAt(articles, {4, -1, 2, 2, 0});
        QCOMPARE(chosen.size(), 2);
        QCOMPARE(chosen[0].text(ArticleRecord::Key::PMID), articles[0].text(ArticleRecord::Key::PMID));
        QCOMPARE(chosen[1].text(ArticleRecord::Key::PMID), articles[2].text(ArticleRecord::Key::PMID));
    }

    // Only RIS goes under the MIME type reference managers read as RIS.
    void copyAs_data()
    {
        QTest::addColumn<ExportFormat>("format");
        QTest::addColumn<QString>("starts");
        QTest::newRow("RIS") << ExportFormat::Ris << QStringLiteral("TY  - ");
        QTest::newRow("BibTeX") << ExportFormat::Bibtex << QStringLiteral("@");
        QTest::newRow("MEDLINE") << ExportFormat::Medline << QStringLiteral("PMID- ");
    }
    void copyAs()
    {
        QFETCH(ExportFormat, format);
        QFETCH(QString, starts);
        AppHarness h;
        const ArticleActions actions(Endpoints(), h.store, h.alerts, h.opener);
        actions.copyAs(format, realArticles(), {1});
        const QMimeData *data = QGuiApplication::clipboard()->mimeData();
        QVERIFY(data->text().startsWith(starts));
        QCOMPARE(data->hasFormat(QStringLiteral("application/x-research-info-systems")), format == ExportFormat::Ris);
    }

    void pagesOpenAfterAskingAboveTheThreshold()
    {
        AppHarness h;
        const ArticleActions actions(Endpoints(), h.store, h.alerts, h.opener);
        const ArticleList articles = realArticles();
        h.alerts.answers = {1}; // Cancel
        actions.openPages(articles, {0, 1, 2, 3}, ArticleActions::Page::PubMed);
        QCOMPARE(h.alerts.shown.size(), 1);
        QCOMPARE(h.alerts.shown[0].style, Alert::Style::Question);
        QVERIFY(h.opener.opened.isEmpty());
        actions.openPages(articles, {3, 0}, ArticleActions::Page::PubMed);
        QCOMPARE(h.openedUrls(), (QStringList{QStringLiteral("https://pubmed.ncbi.nlm.nih.gov/")
                                                  + articles[0].text(ArticleRecord::Key::PMID) + QLatin1Char('/'),
                                              QStringLiteral("https://pubmed.ncbi.nlm.nih.gov/")
                                                  + articles[3].text(ArticleRecord::Key::PMID) + QLatin1Char('/')}));
    }
};

QTEST_MAIN(ArticleActionsTest)
#include "ArticleActionsTest.moc"
