// vexmoor-cli cite: what the program adds to the citation library, namely
// its arguments, the three output formats, exit codes and standard input.
#include "CliRun.h"
#include "RtfReader.h"
#include "TestData.h"

#include <QTest>

namespace {

const QString kElink = QStringLiteral("https://eutils.ncbi.nlm.nih.gov/entrez/eutils/elink.fcgi"
                                      "?dbfrom=pubmed&retmode=ref&cmd=prlinks&retmode=ref");

CliRun cite(const QStringList &args, const QByteArray &input = QByteArray())
{
    return runCli(QStringList{QStringLiteral("cite")} + args, input);
}

QString efetchFile(const QString &name)
{
    return QStringLiteral(VEXMOOR_TESTDATA_DIR "/efetch/") + name;
}

// The two records of biopython_pubmed1.xml, read from the XML: PMID 12091962
// has no DOI, PMID 9997 has 10.1016/0005-2795(76)90109-4.
const QString kOlivero = QStringLiteral("Olivero JM. ");
const QString kOliveroTitle = QStringLiteral("The treatment of AIDS behind the walls of correctional facilities.");
const QString kOliveroJournal = QStringLiteral(" Soc Justice 1990; 17 (1): 113-25. \nPMID: 12091962");
const QString kStrekas = QStringLiteral("Strekas TC. Magnetic studies of Chromatium flavocytochrome C552. A mechanism "
                                        "for heme-flavin interaction. Biochim Biophys Acta 1976; 446 (1): 179-91. \nPMID: 9997");
const QString kStrekasDoi = QStringLiteral("10.1016/0005-2795(76)90109-4");

} // namespace

class CiteCommandTest : public QObject
{
    Q_OBJECT

private slots:
    // Read from standard input: each citation and a blank line.
    void plainIsEachCitationAndABlankLine()
    {
        READ_TEST_DATA(answer, efetchFile(QStringLiteral("biopython_pubmed1.xml")));
        const CliRun run = cite({QStringLiteral("-")}, answer);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(QString::fromUtf8(run.out), kOlivero + kOliveroTitle + " " + kOliveroJournal.mid(1) + "\nDOI: \n\n" + kStrekas
                                                 + "\nDOI: " + kStrekasDoi + "\n\n");
    }

    void rtfDecodesToTheExportText()
    {
        if (!haveTestData(efetchFile(QStringLiteral("biopython_pubmed1.xml"))))
            return;
        const CliRun run = cite({efetchFile(QStringLiteral("biopython_pubmed1.xml")), QStringLiteral("--format"), QStringLiteral("rtf")});
        QCOMPARE(run.exitCode, 0);
        const RtfReadResult read = readRtf(run.out);
        QVERIFY2(read.error.isEmpty(), qPrintable(read.error));
        const QList<RichTextRun> expected{
            {kOlivero, {}},
            {kOliveroTitle, kElink + "&id=12091962"},
            {kOliveroJournal + "\n\n" + kStrekas + " | DOI: ", {}},
            {kStrekasDoi, "https://doi.org/" + kStrekasDoi},
            {QStringLiteral("\n\n"), {}},
        };
        QCOMPARE(read.runs, expected);
    }

    void htmlIsTheExportText()
    {
        if (!haveTestData(efetchFile(QStringLiteral("biopython_pubmed1.xml"))))
            return;
        const CliRun run = cite({QStringLiteral("--format"), QStringLiteral("html"), efetchFile(QStringLiteral("biopython_pubmed1.xml"))});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(QString::fromUtf8(run.out),
                 kOlivero + "<a href=\"https://eutils.ncbi.nlm.nih.gov/entrez/eutils/elink.fcgi?dbfrom=pubmed&amp;retmode=ref&amp;"
                            "cmd=prlinks&amp;retmode=ref&amp;id=12091962\">" + kOliveroTitle + "</a> Soc Justice 1990; 17 (1): 113-25. "
                            "<br>\nPMID: 12091962<br>\n<br>\nStrekas TC. Magnetic studies of Chromatium flavocytochrome C552. A "
                            "mechanism for heme-flavin interaction. Biochim Biophys Acta 1976; 446 (1): 179-91. <br>\nPMID: 9997"
                            " | DOI: <a href=\"https://doi.org/" + kStrekasDoi + "\">" + kStrekasDoi + "</a><br>\n<br>\n");
    }

    // The text formats are written as UTF-8.
    void nonAsciiNamesComeOutAsUtf8()
    {
        const QByteArray names = QStringLiteral("Balkarlı H, Kılıç M, Öztürk İ. Neuraxial").toUtf8();
        const QString file = efetchFile(QStringLiteral("pubmed_result_80_articles.xml"));
        if (!haveTestData(file))
            return;
        QVERIFY(cite({file}).out.contains("\n\n" + names));
        QVERIFY(cite({file, QStringLiteral("--format"), QStringLiteral("html")}).out.contains("<br>\n<br>\n" + names));
    }

    void failures_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("exitCode");
        const QByteArray invalidUtf8 = "<?xml version=\"1.0\"?><PubmedArticleSet><PubmedArticle><MedlineCitation>"
                                       "<PMID>1</PMID><Article><ArticleTitle>caf\xe9</ArticleTitle></Article>"
                                       "</MedlineCitation></PubmedArticle></PubmedArticleSet>";
        QTest::newRow("invalid UTF-8") << QStringList{QStringLiteral("-")} << invalidUtf8 << 1;
        QTest::newRow("missing file") << QStringList{QStringLiteral("/nonexistent/answer.xml")} << QByteArray() << 1;
        QTest::newRow("unknown format") << QStringList{QStringLiteral("-"), QStringLiteral("--format"), QStringLiteral("pdf")}
                                        << QByteArray() << 2;
        QTest::newRow("no file") << QStringList() << QByteArray() << 2;
    }

    void failures()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, input);
        QFETCH(int, exitCode);
        const CliRun run = cite(args, input);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY(run.out.isEmpty());
        QVERIFY(!run.err.isEmpty());
    }
};

QTEST_GUILESS_MAIN(CiteCommandTest)
#include "CiteCommandTest.moc"
