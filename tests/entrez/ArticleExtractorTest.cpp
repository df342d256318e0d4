#include "entrez/ArticleExtractor.h"
#include "TestData.h"

#include "common/SystemLog.h"

#include <QDir>
#include <QProcess>
#include <QTest>

namespace {

const QString kDataDir = QStringLiteral(VEXMOOR_TESTDATA_DIR "/efetch/");
const std::string kBase = "https://eutils.example/elink?x=1";
using Key = ArticleRecord::Key;

ArticleList recordsFrom(const QByteArray &answer)
{
    ArticleList list;
    appendArticlesFromBytes(answer, list, kBase);
    return list;
}

// `var`, the records of the test data file `name`; a file that cannot be
// read fails the test, which returns.
#define RECORDS_OF(var, name)                   \
    READ_TEST_DATA(var##Answer, kDataDir + name); \
    const ArticleList var = recordsFrom(var##Answer)

// A hand-made answer around `articles`.
std::string answer(const std::string &articles)
{
    return "<?xml version=\"1.0\" ?>\n<!DOCTYPE PubmedArticleSet PUBLIC \"-//NLM//DTD PubMedArticle, 1st January "
           "2025//EN\" \"https://dtd.nlm.nih.gov/ncbi/pubmed/out/pubmed_250101.dtd\">\n<PubmedArticleSet>"
        + articles + "</PubmedArticleSet>\n";
}

std::string article(const std::string &pmid, const std::string &authors, const std::string &ids)
{
    return "<PubmedArticle><MedlineCitation><PMID Version=\"1\">" + pmid
        + "</PMID><Article><ArticleTitle>T</ArticleTitle><AuthorList>" + authors
        + "</AuthorList></Article></MedlineCitation><PubmedData><ArticleIdList>" + ids
        + "</ArticleIdList></PubmedData></PubmedArticle>\n";
}

struct Expected
{
    const char *file;
    int index;
    const char *pmid, *year, *title, *journal, *volume, *issue, *pages;
    const char *abstractStart, *abstractEnd; // both empty: no abstract
    int authorCount;
    const char *authorsString, *doi;
};

// Values written down from the XML of the files.
const Expected kExpected[] = {
    {"biopython_pubmed4.xml", 0, "27797938", "2017",
     "Leucocyte telomere length, genetic variants at the TERT gene region and risk of pancreatic cancer.", "Gut", "66", "6",
     "1116-1122",
     "Telomere shortening occurs as an early event in pancreatic tumorigenesis, and genetic variants at the telomerase "
     "reverse transcriptase (TERT) gene region",
     "whether prediagnostic leucocyte telomere length is associated with subsequent risk of pancreatic cancer.", 22,
     "Bao Y, Prescott J, Yuan C, Zhang M, Kraft P, Babic A, Morales-Oyarvide V, Qian ZR, Buring JE, Cochrane BB, "
     "Gaziano JM, Giovannucci EL, Manson JE, Ng K, Ogino S, Rohan TE, Sesso HD, Stampfer MJ, Fuchs CS, De Vivo I, "
     "Amundadottir LT, Wolpin BM ",
     "10.1136/gutjnl-2016-312510"},
    {"biopython_pubmed1.xml", 0, "12091962", "1990", "The treatment of AIDS behind the walls of correctional facilities.",
     "Soc Justice", "17", "1", "113-25", "", "", 1, "Olivero JM ", ""},
    {"pubmed_result_80_articles.xml", 4, "28236870", "2017 Mar - Apr",
     "Neuraxial anesthesia after local anesthesia for management of percutaneous vertebroplasty complication during "
     "vertebroplasty.",
     "Braz J Anesthesiol", "67", "2", "205-209", nullptr, nullptr, 3, "Balkarlı H, Kılıç M, Öztürk İ ",
     "10.1016/j.bjane.2014.07.007"},
    {"metapub_34843274.xml", 0, "34843274", "2022",
     "Summary of the clinical practice guideline for the treatment of depression across three age cohorts.", "Am Psychol",
     "77", "6", "770-780", "The American Psychological Association (APA) developed this clinical practice gu", nullptr, 0,
     "", "10.1037/amp0000904"},
    {"pubmed_result_93_articles.xml", 39, "29175460", "2018", "Bad phosphorylation as a target of inhibition in oncology.",
     "Cancer Lett", "415", "", "177-186", "Bcl-2 agonist of cell death (BAD) is a BH3-only member",
     "modulating BAD phosphorylation in cancer.", 6, "Bui NL, Pandey V, Zhu T, Ma L, Basappa , Lobie PE ",
     "10.1016/j.canlet.2017.11.017"},
    {"ncbi_cxx_pubmed31732993.xml", 0, "31732993", "2020",
     "Control of the bifunctional O2 -sensor kinase NreB of Staphylococcus carnosus by the nitrate sensor NreA: Switching "
     "from kinase to phosphatase state.",
     "Mol Microbiol", "113", "2", "369-380", "The NreB-NreC two-component system of Staphylococcus carnosus for O2 ",
     nullptr, 3, "Klein R, Kretzschmar AK, Unden G ", "10.1111/mmi.14425"},
    {"biopython_pubmed6.xml", 0, "30108519", "2018",
     "A \"Blood Relationship\" Between the Overlooked Minimum Lactate Equivalent and Maximal Lactate Steady State in "
     "Trained Runners. Back to the Old Days?",
     "Front Physiol", "9", "", "1034", "Maximal Lactate Steady State (MLSS)", "with those controlling MLSS.", 2,
     "Garcia-Tabar I, Gorostiaga EM ", "10.3389/fphys.2018.01034"},
    {"metapub_38914053.xml", 0, "38914053", "2024",
     "Doped SnO2thin films fabricated at low temperature by atomic layer deposition with a precise incorporation of "
     "niobium atoms.",
     "Nanotechnology", "35", "38", "",
     "Nb-doped SnO2(NTO) thin films were synthesized by atomic layer deposition technique at low temperature (100 °C).",
     nullptr, 6, "Gesesse GD, Coutancier D, Katrib MA, Donsanti F, Bouttemy M, Schneider N ", "10.1088/1361-6528/ad5afd"},
    {"ncbi_cxx_pubmed33761533.xml", 0, "33761533", "2021",
     "SARS-CoV-2 vaccination modelling for safe surgery to save lives: data from an international prospective cohort "
     "study.",
     "Br J Surg", "108", "9", "1056-1063", "Preoperative SARS-CoV-2 vaccination could support safer elective surgery.",
     nullptr, 0, "", "10.1093/bjs/znab101"},
    // The book record: nothing under MedlineCitation, so every value is empty.
    {"eutils_json_efetch_pubmedbook.xml", 0, "", "", "", "", "", "", "", "", "", 0, "", ""},
};

} // namespace

class ArticleExtractorTest : public QObject
{
    Q_OBJECT

private slots:
    void everyFileYieldsItsRecords_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("count");
        // Articles per file, counted in the XML.
        const std::pair<const char *, int> counts[] = {
            {"biopython_pubmed1.xml", 2}, {"biopython_pubmed1_2008.xml", 2}, {"biopython_pubmed2.xml", 2},
            {"biopython_pubmed4.xml", 1}, {"biopython_pubmed5.xml", 1}, {"biopython_pubmed6.xml", 1},
            {"eutils_json_efetch_pubmed.xml", 2}, {"eutils_json_efetch_pubmedbook.xml", 1}, {"metapub_34843274.xml", 1},
            {"metapub_38048813.xml", 1}, {"metapub_38914053.xml", 1}, {"metapub_38962805.xml", 1},
            {"ncbi_cxx_pubmed11748933.xml", 1}, {"ncbi_cxx_pubmed31732993.xml", 1}, {"ncbi_cxx_pubmed33761533.xml", 1},
            {"pubmed_parser_test_current_medline.xml", 4}, {"pubmed_result_4_articles.xml", 4},
            {"pubmed_result_80_articles.xml", 80}, {"pubmed_result_93_articles.xml", 93}, {"reciter_24694772.xml", 1},
            {"reciter_31746150.xml", 1},
        };
        for (const auto &[file, count] : counts)
            QTest::newRow(file) << QString::fromLatin1(file) << count;
        // Every shared file is listed above.
        QCOMPARE(QDir(kDataDir).entryList({QStringLiteral("*.xml")}).size(), qsizetype(std::size(counts)));
    }
    void everyFileYieldsItsRecords()
    {
        QFETCH(QString, file);
        QFETCH(int, count);
        RECORDS_OF(records, file);
        QCOMPARE(records.size(), count);
        for (const ArticleRecord &r : records)
            QVERIFY(r.text(Key::Hyperlink).endsWith(QLatin1String("&id=") + r.text(Key::PMID)));
    }

    void realRecords_data()
    {
        QTest::addColumn<int>("row");
        for (size_t i = 0; i < std::size(kExpected); ++i)
            QTest::newRow(qPrintable(QStringLiteral("%1 #%2").arg(QLatin1String(kExpected[i].file)).arg(kExpected[i].index)))
                << int(i);
    }
    void realRecords()
    {
        QFETCH(int, row);
        const Expected &e = kExpected[row];
        RECORDS_OF(records, QString::fromLatin1(e.file));
        QVERIFY(e.index < records.size());
        const ArticleRecord &r = records[e.index];
        const auto text = [&](Key k) { return std::string(r.utf8(k)); };
        QCOMPARE(text(Key::PMID), std::string(e.pmid));
        QCOMPARE(text(Key::Year), std::string(e.year));
        QCOMPARE(text(Key::Title), std::string(e.title));
        QCOMPARE(text(Key::Journal), std::string(e.journal));
        QCOMPARE(text(Key::Volume), std::string(e.volume));
        QCOMPARE(text(Key::Issue), std::string(e.issue));
        QCOMPARE(text(Key::Pages), std::string(e.pages));
        const std::string abstract = text(Key::Abstract);
        if (e.abstractStart)
            QVERIFY2(abstract.starts_with(e.abstractStart), abstract.c_str());
        if (e.abstractEnd)
            QVERIFY2(abstract.ends_with(e.abstractEnd), abstract.c_str());
        if (e.abstractStart && !*e.abstractStart)
            QVERIFY(abstract.empty());
        QCOMPARE(int(r.authorCount()), e.authorCount);
        QCOMPARE(text(Key::AuthorsString), std::string(e.authorsString));
        QCOMPARE(text(Key::Doi), std::string(e.doi));
        QCOMPARE(text(Key::Hyperlink), kBase + "&id=" + e.pmid);
        // Lookup by key name: the twelve names, and no value for any other.
        QCOMPARE(r.value(u"authors").toList().size(), e.authorCount);
        QVERIFY(!r.value(u"Title").isValid() && !r.value(u"abstractText").isValid());
    }

    // Markup, MathML and character references leave their text, with the
    // spaces that stand between inline elements.
    void textOfMarkup()
    {
        RECORDS_OF(pubmed6, QStringLiteral("biopython_pubmed6.xml"));
        RECORDS_OF(pubmed31732993, QStringLiteral("ncbi_cxx_pubmed31732993.xml"));
        RECORDS_OF(pubmed11748933, QStringLiteral("ncbi_cxx_pubmed11748933.xml"));
        QVERIFY(!pubmed6.isEmpty() && !pubmed31732993.isEmpty() && !pubmed11748933.isEmpty());
        const std::string abstract(pubmed6[0].utf8(Key::Abstract));
        QVERIFY(abstract.find("the disused \"Minimum Lactate Equivalent\" (LEmin), first") != std::string::npos);
        QVERIFY(abstract.find("maximal oxygen uptake ( V.O2max ) 67.6 ± 4.1 ml·kg-1·min-1] homogeneous") != std::string::npos);
        const std::string nre(pubmed31732993[0].utf8(Key::Abstract));
        QVERIFY(nre.find("Either the presence of NreA · NO 3 -   instead of apoNreA") != std::string::npos);
        const std::string pvalues(pubmed11748933[0].utf8(Key::Abstract));
        QVERIFY(pvalues.find("compared with 24% in the fresh sample (P < 0.001)") != std::string::npos);
    }

    void authorsArePairedPerAuthorElement()
    {
        const std::string authors = "<Author><LastName>Alpha</LastName><Initials>A</Initials></Author>"
                                    "<Author><LastName>Beta</LastName></Author>"
                                    "<Author><CollectiveName>Group</CollectiveName><Initials>X</Initials></Author>"
                                    "<Author><LastName>Gamma</LastName><ForeName>G</ForeName><Initials>GC</Initials></Author>";
        ArticleList list;
        QCOMPARE(appendArticlesFromResponse(answer(article("1", authors, "")), list, kBase), qsizetype(1));
        const ArticleRecord &r = list[0];
        QCOMPARE(r.authors(), (QList<AuthorEntry>{{QStringLiteral("Alpha"), QStringLiteral("A")},
                                                  {QStringLiteral("Beta"), QString()},
                                                  {QStringLiteral("Gamma"), QStringLiteral("GC")}}));
        QCOMPARE(r.text(Key::AuthorsString), QStringLiteral("Alpha A, Beta , Gamma GC "));
    }

    void doiIsTheLastDoiIdentifierAsPlainText_data()
    {
        QTest::addColumn<QByteArray>("ids");
        QTest::addColumn<QString>("doi");
        QTest::newRow("none") << QByteArray("<ArticleId IdType=\"pubmed\">1</ArticleId><ArticleId IdType=\"pii\">doi-like</ArticleId>")
                              << QString();
        QTest::newRow("last of two") << QByteArray("<ArticleId IdType=\"doi\">10.1/first</ArticleId><ArticleId "
                                                   "IdType=\"pmc\">PMC1</ArticleId><ArticleId IdType=\"doi\">10.1/second</ArticleId>")
                                     << QStringLiteral("10.1/second");
        QTest::newRow("SICI with escaped brackets")
            << QByteArray("<ArticleId IdType=\"doi\">10.1002/(SICI)1097-0274(199601)29:1&lt;23::AID-AJIM4&gt;3.0.CO;2-#</ArticleId>")
            << QStringLiteral("10.1002/(SICI)1097-0274(199601)29:1<23::AID-AJIM4>3.0.CO;2-#");
        QTest::newRow("ampersand") << QByteArray("<ArticleId IdType=\"doi\">10.1000/a&amp;b</ArticleId>")
                                   << QStringLiteral("10.1000/a&b");
        QTest::newRow("other attribute order")
            << QByteArray("<ArticleId Extra=\"x\" IdType=\"doi\">10.1/x</ArticleId><ArticleId IdType=\"DOI\">10.1/caps</ArticleId>")
            << QStringLiteral("10.1/x");
    }
    void doiIsTheLastDoiIdentifierAsPlainText()
    {
        QFETCH(QByteArray, ids);
        QFETCH(QString, doi);
        ArticleList list;
        QCOMPARE(appendArticlesFromResponse(answer(article("5", "", ids.toStdString())), list, kBase), qsizetype(1));
        QCOMPARE(list[0].text(Key::Doi), doi);
    }

    // Only 1 to 10 digits make a PMID, and only a PMID reaches the link; any
    // other PMID text is dropped and counted in the log.
    void pmidShapes_data()
    {
        QTest::addColumn<QByteArray>("pmidText");
        QTest::addColumn<QString>("pmid");
        QTest::newRow("digits") << QByteArray("38048813") << QStringLiteral("38048813");
        QTest::newRow("one digit") << QByteArray("0") << QStringLiteral("0");
        QTest::newRow("ten digits") << QByteArray("9999999999") << QStringLiteral("9999999999");
        QTest::newRow("eleven digits") << QByteArray("12345678901") << QString();
        QTest::newRow("parameter and fragment") << QByteArray("1&amp;db=evil#frag") << QString();
        QTest::newRow("white space") << QByteArray(" 12") << QString();
        QTest::newRow("sign") << QByteArray("-12") << QString();
        QTest::newRow("non-ASCII digits") << QByteArray("Ù¡Ù¢") << QString();
    }
    void pmidShapes()
    {
        QFETCH(QByteArray, pmidText);
        QFETCH(QString, pmid);
        QStringList log;
        setSystemLogSink([&log](const QString &line) { log.append(line); });
        ArticleList list;
        const qsizetype appended =
            appendArticlesFromResponse(answer(article(pmidText.toStdString(), "", "") + article("7", "", "")), list, kBase);
        setSystemLogSink({});
        QCOMPARE(appended, qsizetype(2));
        QCOMPARE(list[0].text(Key::PMID), pmid);
        QCOMPARE(list[0].text(Key::Hyperlink), QString::fromStdString(kBase + "&id=") + pmid);
        QCOMPARE(list[0].text(Key::Title), QStringLiteral("T"));
        QCOMPARE(list[1].text(Key::PMID), QStringLiteral("7"));
        const QStringList expectedLog = pmid.isEmpty()
            ? QStringList{QStringLiteral("EFetch answer: 1 PMIDs that are not 1 to 10 digits were dropped")}
            : QStringList();
        QCOMPARE(log, expectedLog);
    }

    void firstMatchesOnly()
    {
        const std::string a = "<PubmedArticle><MedlineCitation><PMID>7</PMID><PMID>8</PMID><Article><Journal><JournalIssue>"
                              "<PubDate><MedlineDate>1999 Winter</MedlineDate><Year>1998</Year><Year>1997</Year></PubDate>"
                              "</JournalIssue></Journal><Abstract><AbstractText Label=\"A\">one</AbstractText>"
                              "<AbstractText Label=\"B\">two</AbstractText></Abstract></Article></MedlineCitation>"
                              "<MedlineCitation><Article><ArticleTitle>Second citation</ArticleTitle></Article>"
                              "</MedlineCitation></PubmedArticle>";
        const std::string b = "<PubmedArticle><MedlineCitation><Article><Journal><JournalIssue><PubDate>"
                              "<MedlineDate>2016 Jul-Sep</MedlineDate></PubDate></JournalIssue></Journal></Article>"
                              "</MedlineCitation></PubmedArticle>";
        ArticleList list;
        QCOMPARE(appendArticlesFromResponse(answer(a + b), list, kBase), qsizetype(2));
        QCOMPARE(list[0].text(Key::PMID), QStringLiteral("7"));
        QCOMPARE(list[0].text(Key::Year), QStringLiteral("1998"));
        QCOMPARE(list[0].text(Key::Abstract), QStringLiteral("one"));
        QCOMPARE(list[0].text(Key::Title), QStringLiteral("Second citation"));
        QCOMPARE(list[1].text(Key::Year), QStringLiteral("2016 Jul-Sep"));
    }

    void recordsAppendInOrderAfterExistingOnes()
    {
        READ_TEST_DATA(pubmed1, kDataDir + QStringLiteral("biopython_pubmed1.xml"));
        ArticleList list = recordsFrom(pubmed1);
        const std::string set = article("101", "", "") + "stray text" + article("102", "", "") + "\n \t\n<Other/>";
        QCOMPARE(appendArticlesFromResponse(answer(set), list, kBase), qsizetype(4));
        QCOMPARE(list.size(), 6);
        QCOMPARE(list[1].text(Key::PMID), QStringLiteral("9997"));
        QCOMPARE(list[2].text(Key::PMID), QStringLiteral("101"));
        // Non-blank text and an unknown element are records too, with nothing in them.
        for (int i : {3, 5}) {
            QCOMPARE(list[i].text(Key::Title), QString());
            QCOMPARE(list[i].authorCount(), 0);
            QCOMPARE(list[i].text(Key::Hyperlink), QString::fromStdString(kBase + "&id="));
        }
        QCOMPARE(list[4].text(Key::PMID), QStringLiteral("102"));
    }

    void failuresAppendNothing()
    {
        READ_TEST_DATA(correction, kDataDir + QStringLiteral("metapub_38962805.xml"));
        ArticleList list = recordsFrom(correction);
        QCOMPARE(appendArticlesFromBytes(QByteArray("<?xml version=\"1.0\"?><PubmedArticleSet>Universit\xE0</PubmedArticleSet>"),
                                         list, kBase),
                 qsizetype(-1));
        QCOMPARE(appendArticlesFromResponse(answer(""), list, kBase), qsizetype(0));
        QCOMPARE(appendArticlesFromResponse("<PubmedArticleSet><PubmedArticle/></PubmedArticleSet>", list, kBase), qsizetype(0));
        QCOMPARE(appendArticlesFromResponse(answer(article("1", "", "")).substr(0, 300), list, kBase), qsizetype(0));
        QCOMPARE(list.size(), 1);
    }

    // Records come from the root's children parsed a piece at a time; they
    // must be those of the whole tree: elements and non-blank text.
    void piecesGiveTheRootsChildren_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("records");
        QTest::newRow("byte-order marks as text") << QByteArray("\xEF\xBB\xBF<A/>\xEF\xBB\xBF") << 3;
        QTest::newRow("text split by a comment") << QByteArray("<A/>x<!-- c -->y<B/>z") << 5;
        QTest::newRow("CDATA and blanks") << QByteArray("<![CDATA[ ]]><![CDATA[d]]> <A/>\n") << 2;
        QTest::newRow("trailing text") << QByteArray("<A/>tail") << 2;
        QTest::newRow("only text") << QByteArray("text") << 1;
    }
    void piecesGiveTheRootsChildren()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, records);
        ArticleList list;
        QCOMPARE(appendArticlesFromResponse(answer(content.toStdString()), list, kBase), qsizetype(records));
    }

    // Large answers are parsed a piece at a time; records must not change at the cuts.
    void largeAnswerKeepsEveryRecord()
    {
        READ_TEST_DATA(one, kDataDir + QStringLiteral("pubmed_result_93_articles.xml"));
        const qsizetype open = one.indexOf("<PubmedArticleSet>") + qsizetype(strlen("<PubmedArticleSet>"));
        const qsizetype close = one.lastIndexOf("</PubmedArticleSet>");
        QByteArray big = one.left(open);
        for (int i = 0; i < 3; ++i)
            big += one.mid(open, close - open);
        big += "tail text" + one.mid(close);
        const ArticleList single = recordsFrom(one);
        ArticleList list;
        QCOMPARE(appendArticlesFromBytes(big, list, kBase), qsizetype(3 * 93 + 1));
        for (int i = 0; i < 3 * 93; ++i) {
            for (int k = 0; k < ArticleRecord::KeyCount; ++k)
                QCOMPARE(list[i].utf8(Key(k)), single[i % 93].utf8(Key(k)));
        }
    }

    // vexmoor-cli efetch: one JSON object per line, keys in record order;
    // exit status 1 for invalid UTF-8, 0 for no records.
    void cliPrintsOneJsonLinePerRecord()
    {
        QProcess cli;
        const auto run = [&](const QString &file, const QByteArray &input = {}) {
            cli.start(QStringLiteral(VEXMOOR_CLI), {QStringLiteral("efetch"), file});
            cli.write(input);
            cli.closeWriteChannel();
            QVERIFY(cli.waitForFinished(30000));
        };
        if (!haveTestData(kDataDir + QStringLiteral("metapub_38962805.xml"))
            || !haveTestData(kDataDir + QStringLiteral("biopython_pubmed2.xml")))
            return;
        run(kDataDir + QStringLiteral("metapub_38962805.xml"));
        QCOMPARE(cli.exitCode(), 0);
        QCOMPARE(cli.readAllStandardOutput(),
                 QByteArray("{\"year\": \"2024\", \"title\": \"Correction.\", \"journal\": \"AIDS Care\", \"volume\": \"36\", "
                            "\"issue\": \"sup1\", \"pages\": \"228-229\", \"abstract\": \"\", \"authors\": [], "
                            "\"authorsString\": \"\", \"PMID\": \"38962805\", \"hyperlink\": "
                            "\"https://eutils.ncbi.nlm.nih.gov/entrez/eutils/elink.fcgi?dbfrom=pubmed&retmode=ref&cmd=prlinks&"
                            "retmode=ref&id=38962805\", \"doi\": \"10.1080/09540121.2024.2374185\"}\n"));

        run(kDataDir + QStringLiteral("biopython_pubmed2.xml"));
        const QList<QByteArray> lines = cli.readAllStandardOutput().split('\n');
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines[1].contains("\"authors\": [{\"lastname\": \"Casieri\", \"initials\": \"C\"}, {\"lastname\": \"Testa\""));

        run(QStringLiteral("-"), "<?xml version=\"1.0\"?><PubmedArticleSet><PubmedArticle>Universit\xE0</PubmedArticle></PubmedArticleSet>");
        QCOMPARE(cli.exitCode(), 1);
        QVERIFY(cli.readAllStandardOutput().isEmpty());
        QVERIFY(!cli.readAllStandardError().isEmpty());

        run(QStringLiteral("-"), "<?xml version=\"1.0\"?><PubmedArticleSet>\n</PubmedArticleSet>");
        QCOMPARE(cli.exitCode(), 0);
        QVERIFY(cli.readAllStandardOutput().isEmpty());

        // Records of a long answer are read before its end, but the end
        // decides: no closing tag, or a bad last byte, and none is printed.
        READ_TEST_DATA(large, kDataDir + QStringLiteral("pubmed_result_93_articles.xml"));
        run(QStringLiteral("-"), large.left(large.lastIndexOf("</PubmedArticleSet>")));
        QCOMPARE(cli.exitCode(), 0);
        QVERIFY(cli.readAllStandardOutput().isEmpty());
        run(QStringLiteral("-"), large + "\xC3");
        QCOMPARE(cli.exitCode(), 1);
        QVERIFY(cli.readAllStandardOutput().isEmpty());
    }
};

QTEST_GUILESS_MAIN(ArticleExtractorTest)
#include "ArticleExtractorTest.moc"
