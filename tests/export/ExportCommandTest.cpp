// vexmoor-cli's export formats give what the window gives.
#include "CliRun.h"

#include "entrez/ArticleExtractor.h"
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
};

QTEST_GUILESS_MAIN(ExportCommandTest)
#include "ExportCommandTest.moc"
