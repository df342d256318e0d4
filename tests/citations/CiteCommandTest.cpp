#include "RtfReader.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryFile>
#include <QTest>

#include <algorithm>

namespace {

const QString kElink = QStringLiteral("https://eutils.ncbi.nlm.nih.gov/entrez/eutils/elink.fcgi"
                                      "?dbfrom=pubmed&retmode=ref&cmd=prlinks&retmode=ref");

struct CliRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

CliRun runCli(const QStringList &args, const QByteArray &input = QByteArray())
{
    QProcess process;
    process.start(QStringLiteral(VEXMOOR_CLI), args);
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
            process.readAllStandardError()};
}

QString efetchFile(const QString &name)
{
    return QStringLiteral(VEXMOOR_TESTDATA_DIR "/efetch/") + name;
}

QList<RichTextRun> linkRuns(const RichText &text)
{
    QList<RichTextRun> links;
    for (const RichTextRun &run : text.runs()) {
        if (run.isLink())
            links.append(run);
    }
    return links;
}

// The two records of biopython_pubmed1.xml, read from the XML: PMID 12091962
// has no DOI, PMID 9997 has 10.1016/0005-2795(76)90109-4.
const QString kOlivero = QStringLiteral("Olivero JM. ");
const QString kOliveroTitle = QStringLiteral("The treatment of AIDS behind the walls of correctional facilities.");
const QString kOliveroJournal = QStringLiteral(" Soc Justice 1990; 17 (1): 113-25. \nPMID: 12091962");
const QString kStrekas = QStringLiteral("Strekas TC. Magnetic studies of Chromatium flavocytochrome C552. A mechanism "
                                        "for heme-flavin interaction. Biochim Biophys Acta 1976; 446 (1): 179-91. \nPMID: 9997");
const QString kStrekasDoi = QStringLiteral("10.1016/0005-2795(76)90109-4");

// Balkarlı H, Kılıç M, Öztürk İ: the fifth record of pubmed_result_80_articles.xml.
const QString kBalkarli = QStringLiteral(
    "Balkarlı H, Kılıç M, Öztürk İ. Neuraxial anesthesia after local anesthesia for management of percutaneous "
    "vertebroplasty complication during vertebroplasty. Braz J Anesthesiol 2017 Mar - Apr; 67 (2): 205-209. \n"
    "PMID: 28236870");

} // namespace

class CiteCommandTest : public QObject
{
    Q_OBJECT

private slots:
    void plainIsEachCitationAndABlankLine()
    {
        const CliRun run = runCli({QStringLiteral("cite"), efetchFile(QStringLiteral("biopython_pubmed1.xml"))});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(QString::fromUtf8(run.out),
                 kOlivero + kOliveroTitle + " " + kOliveroJournal.mid(1) + "\nDOI: \n\n" + kStrekas + "\nDOI: " + kStrekasDoi
                     + "\n\n");
    }

    void rtfDecodesToTheExportText()
    {
        const CliRun run = runCli({QStringLiteral("cite"), efetchFile(QStringLiteral("biopython_pubmed1.xml")),
                                   QStringLiteral("--format"), QStringLiteral("rtf")});
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
        QCOMPARE(read.text.runs(), expected);
    }

    void htmlIsTheExportText()
    {
        const CliRun run = runCli({QStringLiteral("cite"), QStringLiteral("--format"), QStringLiteral("html"),
                                   efetchFile(QStringLiteral("biopython_pubmed1.xml"))});
        QCOMPARE(run.exitCode, 0);
        QString elinkAttribute = kElink;
        elinkAttribute.replace(u'&', QLatin1String("&amp;"));
        QString journal = kOliveroJournal;
        QString strekas = kStrekas;
        journal.replace(u'\n', QLatin1String("<br>\n"));
        strekas.replace(u'\n', QLatin1String("<br>\n"));
        QCOMPARE(QString::fromUtf8(run.out),
                 kOlivero + "<a href=\"" + elinkAttribute + "&amp;id=12091962\">" + kOliveroTitle + "</a>" + journal
                     + "<br>\n<br>\n" + strekas + " | DOI: <a href=\"https://doi.org/" + kStrekasDoi + "\">" + kStrekasDoi
                     + "</a><br>\n<br>\n");
    }

    void nonAsciiNamesSurviveEveryFormat()
    {
        const QString file = efetchFile(QStringLiteral("pubmed_result_80_articles.xml"));
        const CliRun plain = runCli({QStringLiteral("cite"), file});
        QCOMPARE(plain.exitCode, 0);
        QVERIFY(QString::fromUtf8(plain.out).contains("\n\n" + kBalkarli + "\nDOI: 10.1016/j.bjane.2014.07.007\n\n"));

        const CliRun rtf = runCli({QStringLiteral("cite"), file, QStringLiteral("--format"), QStringLiteral("rtf")});
        const RtfReadResult read = readRtf(rtf.out);
        QVERIFY2(read.error.isEmpty(), qPrintable(read.error));
        QVERIFY(read.text.toPlainText().contains("\n\n" + kBalkarli + " | DOI: 10.1016/j.bjane.2014.07.007\n\n"));
        QVERIFY(linkRuns(read.text).contains(RichTextRun{QStringLiteral("10.1016/j.bjane.2014.07.007"),
                                                         QStringLiteral("https://doi.org/10.1016/j.bjane.2014.07.007")}));

        const CliRun html = runCli({QStringLiteral("cite"), file, QStringLiteral("--format"), QStringLiteral("html")});
        QVERIFY(QString::fromUtf8(html.out).contains(QStringLiteral("<br>\n<br>\nBalkarlı H, Kılıç M, Öztürk İ. Neuraxial")));
    }

    // Every shared answer gives an RTF document the strict reader accepts,
    // with as many citations as the plain form and a link in each (the one
    // book chapter has neither a title nor a DOI to link).
    void everySharedAnswerGivesReadableRtf()
    {
        const QDir dir(QStringLiteral(VEXMOOR_TESTDATA_DIR "/efetch"));
        const QStringList files = dir.entryList({QStringLiteral("*.xml")}, QDir::Files, QDir::Name);
        QVERIFY(files.size() >= 10);
        for (const QString &name : files) {
            const CliRun plain = runCli({QStringLiteral("cite"), dir.filePath(name)});
            const CliRun rtf = runCli({QStringLiteral("cite"), dir.filePath(name), QStringLiteral("--format"), QStringLiteral("rtf")});
            QCOMPARE(plain.exitCode, 0);
            QCOMPARE(rtf.exitCode, 0);
            const RtfReadResult read = readRtf(rtf.out);
            QVERIFY2(read.error.isEmpty(), qPrintable(name + ": " + read.error));
            const QString plainText = QString::fromUtf8(plain.out);
            const qsizetype records = plainText.count(QLatin1String("\nPMID: "));
            const qsizetype withDoi = records - plainText.count(QLatin1String("\nDOI: \n\n"));
            QCOMPARE(read.text.toPlainText().count(QLatin1String("\nPMID: ")), records);
            QCOMPARE(read.text.toPlainText().count(QLatin1String(" | DOI: ")), withDoi);
            // A DOI link for each DOI, a title link for the others (unless the title is empty).
            const QList<RichTextRun> links = linkRuns(read.text);
            const auto doiLinks = std::count_if(links.begin(), links.end(), [](const RichTextRun &run) {
                return run.link.startsWith(QLatin1String("https://doi.org/"));
            });
            QCOMPARE(qsizetype(doiLinks), withDoi);
            QVERIFY2(links.size() <= records && links.size() >= records - 1, qPrintable(name));
        }
    }

    void readsStandardInput()
    {
        QFile file(efetchFile(QStringLiteral("biopython_pubmed1.xml")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const CliRun run = runCli({QStringLiteral("cite"), QStringLiteral("-")}, file.readAll());
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.startsWith(kOlivero.toUtf8()));
    }

    void failures_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("exitCode");
        const QByteArray invalidUtf8 = "<?xml version=\"1.0\"?><PubmedArticleSet><PubmedArticle><MedlineCitation>"
                                       "<PMID>1</PMID><Article><ArticleTitle>caf\xe9</ArticleTitle></Article>"
                                       "</MedlineCitation></PubmedArticle></PubmedArticleSet>";
        QTest::newRow("invalid UTF-8") << QStringList{QStringLiteral("cite"), QStringLiteral("-")} << invalidUtf8 << 1;
        QTest::newRow("missing file") << QStringList{QStringLiteral("cite"), QStringLiteral("/nonexistent/answer.xml")}
                                      << QByteArray() << 1;
        QTest::newRow("unknown format") << QStringList{QStringLiteral("cite"), QStringLiteral("-"), QStringLiteral("--format"),
                                                       QStringLiteral("pdf")}
                                        << QByteArray() << 2;
        QTest::newRow("no file") << QStringList{QStringLiteral("cite")} << QByteArray() << 2;
    }

    void failures()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, input);
        QFETCH(int, exitCode);
        const CliRun run = runCli(args, input);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY(run.out.isEmpty());
        QVERIFY(!run.err.isEmpty());
    }
};

QTEST_GUILESS_MAIN(CiteCommandTest)
#include "CiteCommandTest.moc"
