// vexmoor-cli cite: what the program adds to the citation library, namely
// its arguments, the three output formats in each style, exit codes and
// standard input.
#include "citations/PlainWriter.h"
#include "CliRun.h"
#include "TestData.h"

#include "citations/HtmlWriter.h"
#include "citations/RtfWriter.h"
#include "common/Endpoints.h"
#include "entrez/ArticleExtractor.h"
#include "export/CitationStyle.h"

#include <QTest>

#include <numeric>

namespace {

// Titles linked and DOIs, and names beyond ASCII, which must come out as UTF-8.
const QString kAnswer = QStringLiteral(VEXMOOR_TESTDATA_DIR "/efetch/pubmed_result_80_articles.xml");

CliRun cite(const QStringList &args, const QByteArray &input = QByteArray())
{
    return runCli(QStringList{QStringLiteral("cite")} + args, input);
}

} // namespace

class CiteCommandTest : public QObject
{
    Q_OBJECT

private slots:
    // Plain: each citation and a blank line. RTF and HTML: one document of
    // the export text of every record, as a copy of every row gives it.
    void eachFormatInEachStyle_data()
    {
        QTest::addColumn<QString>("format");
        for (const char *format : {"plain", "rtf", "html"})
            QTest::newRow(format) << QString::fromLatin1(format);
    }
    void eachFormatInEachStyle()
    {
        QFETCH(QString, format);
        READ_TEST_DATA(answer, kAnswer);
        ArticleList articles;
        QVERIFY(appendArticlesFromBytes(answer, articles, elinkBaseUrl(Endpoints())) > 0);
        QList<qsizetype> rows(articles.size());
        std::iota(rows.begin(), rows.end(), 0);
        for (const CitationStyle style : CitationStyles::all()) {
            QByteArray expected;
            if (format == QLatin1String("plain")) {
                for (const ArticleRecord &article : std::as_const(articles))
                    expected += PlainWriter::write(CitationStyles::citationForArticle(style, article)).toUtf8() + "\n\n";
            } else {
                const RichText text = CitationStyles::exportTextInStyle(style, articles, rows, Endpoints());
                expected = format == QLatin1String("rtf") ? RtfWriter::write(text) : HtmlWriter::write(text).toUtf8();
            }
            const QString styleName = CitationStyles::name(style).toLower();
            const CliRun run = cite({QStringLiteral("-"), QStringLiteral("--format"), format, QStringLiteral("--style"), styleName},
                                    answer);
            QCOMPARE(run.exitCode, 0);
            QVERIFY2(run.out == expected, qPrintable(styleName));
            // Plain text in the application's own style, from a file, unless told otherwise.
            if (format == QLatin1String("plain") && style == CitationStyle::Vexmoor)
                QCOMPARE(cite({kAnswer}).out, expected);
        }
    }

    // A record's escape sequences and C1 controls never reach the terminal.
    void plainWithoutControls()
    {
        const CliRun run = cite({QStringLiteral("-")},
                                "<?xml version=\"1.0\"?><PubmedArticleSet><PubmedArticle><MedlineCitation><PMID>1</PMID>"
                                "<Article><ArticleTitle>T\xc2\x9b""2J</ArticleTitle><AuthorList><Author><LastName>L\x1b[1m"
                                "</LastName></Author></AuthorList></Article></MedlineCitation></PubmedArticle></PubmedArticleSet>");
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.startsWith("L[1m. T2J"));
    }

    void failures_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("input");
        const QByteArray invalidUtf8 = "<?xml version=\"1.0\"?><PubmedArticleSet><PubmedArticle><MedlineCitation>"
                                       "<PMID>1</PMID><Article><ArticleTitle>caf\xe9</ArticleTitle></Article>"
                                       "</MedlineCitation></PubmedArticle></PubmedArticleSet>";
        QTest::newRow("invalid UTF-8") << QStringList{QStringLiteral("-")} << invalidUtf8;
        QTest::newRow("missing file") << QStringList{QStringLiteral("/nonexistent/answer.xml")} << QByteArray();
    }

    void failures()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, input);
        const CliRun run = cite(args, input);
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.out.isEmpty());
        QVERIFY(!run.err.isEmpty());
    }
};

QTEST_GUILESS_MAIN(CiteCommandTest)
#include "CiteCommandTest.moc"
