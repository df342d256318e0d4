// vexmoor-cli's export formats and citation styles give what the window gives.
#include "CliRun.h"

#include "entrez/ArticleExtractor.h"
#include "export/CitationStyle.h"
#include "export/ExportFormat.h"

#include <QFile>
#include <QTest>

namespace {
const QString kAnswer = QStringLiteral(VEXMOOR_TESTDATA_DIR "/efetch/pubmed_result_4_articles.xml");

ArticleList answerArticles()
{
    QFile file(kAnswer);
    ArticleList articles;
    if (file.open(QIODevice::ReadOnly))
        appendArticlesFromBytes(file.readAll(), articles, std::string());
    return articles;
}
} // namespace

class ExportCommandTest : public QObject
{
    Q_OBJECT

private slots:
    void efetchWritesTheWindowsBytes()
    {
        const ArticleList articles = answerArticles();
        QCOMPARE(articles.size(), 4);
        for (const ExportFormat format : ExportFormats::all()) {
            const CliRun run = runCli({QStringLiteral("efetch"), kAnswer, QStringLiteral("--format"), ExportFormats::name(format)});
            QCOMPARE(run.exitCode, 0);
            QCOMPARE(run.out, ExportFormats::write(format, articles));
        }
        const CliRun unknown = runCli({QStringLiteral("efetch"), kAnswer, QStringLiteral("--format"), QStringLiteral("endnote")});
        QCOMPARE(unknown.exitCode, 2);
        QVERIFY(unknown.out.isEmpty());
    }

    void citeInEachStyle()
    {
        const ArticleList articles = answerArticles();
        for (const CitationStyle style : CitationStyles::all()) {
            QByteArray expected;
            for (const ArticleRecord &article : articles)
                expected += CitationStyles::citationForArticle(style, article).toPlainText().toUtf8() + "\n\n";
            const CliRun run = runCli({QStringLiteral("cite"), kAnswer, QStringLiteral("--style"), CitationStyles::name(style).toLower()});
            QCOMPARE(run.exitCode, 0);
            QCOMPARE(run.out, expected);
        }
        QCOMPARE(runCli({QStringLiteral("cite"), kAnswer, QStringLiteral("--style"), QStringLiteral("chicago")}).exitCode, 2);
    }
};

QTEST_GUILESS_MAIN(ExportCommandTest)
#include "ExportCommandTest.moc"
