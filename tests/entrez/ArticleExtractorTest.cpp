#include "entrez/ArticleExtractor.h"
#include "TestData.h"

#include "common/SystemLog.h"
#include "export/ExportFormat.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
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

const QString kHandMadeDir = QStringLiteral(VEXMOOR_TEST_SOURCE_DIR "/../data/records/");

// The stretches of a key's text in an inline style, as (text, styles) pairs.
using StyledPieces = QList<std::pair<QString, int>>;
StyledPieces styledPieces(const ArticleRecord &r, Key key)
{
    StyledPieces pieces;
    const std::string_view text = r.utf8(key);
    for (const ArticleRecord::InlineStyle &s : r.inlineStyles(key))
        pieces.append({QString::fromUtf8(text.substr(s.begin, s.end - s.begin)), s.style.toInt()});
    return pieces;
}
constexpr int kI = int(TextStyle::Italic), kB = int(TextStyle::Bold), kSup = int(TextStyle::Superscript),
              kSub = int(TextStyle::Subscript);

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
     "OBJECTIVE: Telomere shortening occurs as an early event in pancreatic tumorigenesis, and genetic variants at the "
     "telomerase reverse transcriptase (TERT) gene region",
     "telomere length (p=0.023).\n\nCONCLUSIONS: Prediagnostic leucocyte telomere length and genetic variants at the "
     "TERT gene region were associated with risk of pancreatic cancer.", 22,
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
     "77", "6", "770-780", "The American Psychological Association (APA) developed this clinical practice gu", nullptr, 1,
     "Guideline Development Panel for the Treatment of Depressive Disorders ", "10.1037/amp0000904"},
    {"pubmed_result_93_articles.xml", 39, "29175460", "2018", "Bad phosphorylation as a target of inhibition in oncology.",
     "Cancer Lett", "415", "", "177-186", "Bcl-2 agonist of cell death (BAD) is a BH3-only member",
     "modulating BAD phosphorylation in cancer.", 6, "Bui NL, Pandey V, Zhu T, Ma L, Basappa, Lobie PE ",
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
     "Br J Surg", "108", "9", "1056-1063",
     "BACKGROUND: Preoperative SARS-CoV-2 vaccination could support safer elective surgery.",
     "\n\nCONCLUSION: As global roll out of SARS-CoV-2 vaccination proceeds, patients needing elective surgery should be "
     "prioritized ahead of the general population.",
     1, "COVIDSurg Collaborative, GlobalSurg Collaborative ", "10.1093/bjs/znab101"},
    {"pubmed_result_80_articles.xml", 2, "28841944", "2017",
     "A Rare Complication of Percutaneous Transoral Vertebroplasty at C2: Cement Leakage within the Vertebral Artery.",
     "J Vasc Interv Radiol", "28", "9", "1302-1304", "", "", 6,
     "Beji H Jr, Menassel B, Sadoune K, Mavrovi E, Pilleul F, Mastier C ", "10.1016/j.jvir.2017.03.035"},
    // A whole book (no chapter title, no collection, editors only).
    {"eutils_json_efetch_pubmedbook.xml", 0, "20301295", "1993", "GeneReviews™", "", "", "", "",
     "GeneReviews are expert-authored, peer-reviewed disease descriptions", "and testing terms.", 0, "", ""},
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

    // The keys beyond the first twelve, written down from the XML.
    void moreKeysOfRealRecords_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("index");
        // pmcid, journalTitle, issn, language, month, day, epubDate, publicationModel, vernacularTitle,
        // elocationIds, articleIds; list keys joined by ";"
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QStringList>("publicationTypes");
        QTest::addColumn<QStringList>("meshEnds"); // count, first, last
        QTest::addColumn<QStringList>("keywords");
        QTest::addColumn<QStringList>("foreNamesStart");
        const auto list = [](const char *joined) {
            return QString::fromUtf8(joined).split(QLatin1Char('|'), Qt::SkipEmptyParts);
        };
        const auto fields = [](const char *joined) { return QString::fromUtf8(joined).split(QLatin1Char('|')); };
        QTest::newRow("structured, pmc, numeric month") << QStringLiteral("biopython_pubmed4.xml") << 0
            << fields("PMC5442267|Gut|1468-3288 (Electronic);0017-5749 (Linking)|eng|06||2016-10-21|Print-Electronic||"
                      "10.1136/gutjnl-2016-312510 [doi]|gutjnl-2016-312510 [pii];10.1136/gutjnl-2016-312510 [doi]")
            << list("Journal Article|Observational Study|Research Support, N.I.H., Extramural|"
                    "Research Support, U.S. Gov't, Non-P.H.S.|Research Support, Non-U.S. Gov't")
            << list("21|Adenocarcinoma/*epidemiology/*genetics|United States/epidemiology") << list("*PANCREATIC CANCER")
            << list("Ying|Jennifer|Chen");
        QTest::newRow("group author, month word") << QStringLiteral("ncbi_cxx_pubmed33761533.xml") << 0
            << fields("PMC7995808|The British journal of surgery|1365-2168 (Electronic);0007-1323 (Linking)|eng|Sep|27||"
                      "Print||10.1093/bjs/znab101 [doi]|6182412 [pii];10.1093/bjs/znab101 [doi]")
            << list("Journal Article|Multicenter Study") << list("17|Adolescent|Young Adult") << QStringList()
            << QStringList{QString()};
        QTest::newRow("MedlineDate, keywords in two languages") << QStringLiteral("pubmed_result_80_articles.xml") << 4
            << fields("|Brazilian journal of anesthesiology (Elsevier)|0104-0014 (Electronic)|eng|Mar||2014-10-27|"
                      "Print-Electronic||S0104-0014(14)00179-1 [pii];10.1016/j.bjane.2014.07.007 [doi]|"
                      "S0104-0014(14)00179-1 [pii];10.1016/j.bjane.2014.07.007 [doi]")
            << list("Case Reports|Journal Article") << list("9|Aged|Vertebroplasty/adverse effects/*methods")
            << list("Bloqueio neuraxial|Fracture|Fratura|Neuraxial anesthesia|Percutaneous vertebroplasty|Vertebra|"
                    "Vertebroplastia percutânea|Vértebra")
            << list("Hüseyin|Mesut|İbrahim");
        QTest::newRow("padded major keyword") << QStringLiteral("pubmed_result_93_articles.xml") << 10
            << fields("PMC6165996|Molecular oncology|1878-0261 (Electronic);1574-7891 (Linking)|eng|10||2018-08-23|"
                      "Print-Electronic||10.1002/1878-0261.12362 [doi]|10.1002/1878-0261.12362 [doi]")
            << list("Journal Article|Research Support, Non-U.S. Gov't") << list("23|Binding Sites|Up-Regulation/drug effects")
            << list("*ovarian cancer mesenchymal subtype|*ACKR3|*ESR1|*chemokine receptors|*estrogen receptors|"
                    "*stromal compartment")
            << list("Samira|Lydia|Karine");
    }
    void moreKeysOfRealRecords()
    {
        QFETCH(QString, file);
        QFETCH(int, index);
        QFETCH(QStringList, texts);
        QFETCH(QStringList, publicationTypes);
        QFETCH(QStringList, meshEnds);
        QFETCH(QStringList, keywords);
        QFETCH(QStringList, foreNamesStart);
        RECORDS_OF(records, file);
        QVERIFY(index < records.size());
        const ArticleRecord &r = records[index];
        const auto joined = [&](Key k) { return r.list(k).join(QLatin1Char(';')); };
        QCOMPARE((QStringList{r.text(Key::Pmcid), r.text(Key::JournalTitle), joined(Key::Issn), joined(Key::Language),
                              r.text(Key::Month), r.text(Key::Day), r.text(Key::EpubDate), r.text(Key::PublicationModel),
                              r.text(Key::VernacularTitle), joined(Key::ElocationIds), joined(Key::ArticleIds)}),
                 texts);
        QCOMPARE(r.list(Key::PublicationTypes), publicationTypes);
        const QStringList mesh = r.value(u"mesh").toStringList();
        QCOMPARE((QStringList{QString::number(mesh.size()), mesh.value(0), mesh.value(mesh.size() - 1)}), meshEnds);
        QCOMPARE(r.list(Key::Keywords), keywords);
        QCOMPARE(r.list(Key::ForeNames).mid(0, foreNamesStart.size()), foreNamesStart);
        QCOMPARE(r.list(Key::ForeNames).size(), r.authorCount());
        QCOMPARE(r.text(Key::Retracted), QString());
        QCOMPARE(r.text(Key::Publisher), QString());
        QCOMPARE(r.kind(), ArticleRecord::Kind::JournalArticle);
    }

    // Inline markup keeps its place beside the plain text: the stretches of
    // the text that <i>, <sub>, <sup>, MathML scripts and labels style.
    void inlineStylesOfRealRecords_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("from");
        QTest::addColumn<StyledPieces>("pieces"); // those from the `from`th on, as many as given
        QTest::newRow("sub in a title") << QStringLiteral("ncbi_cxx_pubmed31732993.xml") << int(Key::Title) << 0
                                        << StyledPieces{{QStringLiteral("2"), kSub}};
        QTest::newRow("sub glued to a word") << QStringLiteral("metapub_38914053.xml") << int(Key::Title) << 0
                                             << StyledPieces{{QStringLiteral("2"), kSub}};
        QTest::newRow("italics with a quote") << QStringLiteral("biopython_pubmed6.xml") << int(Key::Title) << 0
                                              << StyledPieces{{QStringLiteral("Blood Relationship\""), kI}};
        QTest::newRow("labels bold, italics in a paragraph") << QStringLiteral("biopython_pubmed4.xml") << int(Key::Abstract) << 0
            << StyledPieces{{QStringLiteral("OBJECTIVE:"), kB}, {QStringLiteral("TERT"), kI}, {QStringLiteral("DESIGN:"), kB}};
        // LE<sub>min</sub> … (<sub>V</sub>MLSS) … BL<sub>R</sub>Ts … km·h<sup>-1</sup>; then MathML: the
        // subscript of msub is an mrow of mn and mi elements on lines of their own.
        QTest::newRow("sub, sup and a MathML subscript") << QStringLiteral("biopython_pubmed6.xml") << int(Key::Abstract) << 0
            << StyledPieces{{QStringLiteral("min"), kSub}, {QStringLiteral("min"), kSub}, {QStringLiteral("V"), kSub},
                            {QStringLiteral("R"), kSub}, {QStringLiteral("V"), kSub}, {QStringLiteral("-1"), kSup},
                            {QStringLiteral("2max"), kSub}, {QStringLiteral("-1"), kSup}};
        QTest::newRow("MathML msubsup") << QStringLiteral("ncbi_cxx_pubmed31732993.xml") << int(Key::Abstract) << 2
            << StyledPieces{{QStringLiteral("3"), kSub}, {QStringLiteral("-"), kSup}};
    }
    void inlineStylesOfRealRecords()
    {
        QFETCH(QString, file);
        QFETCH(int, key);
        QFETCH(int, from);
        QFETCH(StyledPieces, pieces);
        RECORDS_OF(records, file);
        QVERIFY(!records.isEmpty());
        QCOMPARE(styledPieces(records[0], Key(key)).mid(from, pieces.size()), pieces);
    }

    // Hand-made: each retraction marker alone, both, several, and a
    // retraction notice, which is not itself retracted; the first notice's
    // source is kept, never that of another kind of comment.
    void retractionMarkers()
    {
        READ_TEST_DATA(answer, kHandMadeDir + QStringLiteral("retraction-markers.xml"));
        const ArticleList records = recordsFrom(answer);
        QStringList marks;
        for (const ArticleRecord &r : records)
            marks << r.text(Key::PMID) + QLatin1Char('=') + r.text(Key::Retracted) + QLatin1Char('|') + r.text(Key::RetractionIn);
        QCOMPARE(marks, QStringList({QStringLiteral("900001=yes|"), QStringLiteral("900002=yes|J Hand Cases. 2021;2:5"),
                                     QStringLiteral("900003=yes|J Hand Cases. 2021;2:6"),
                                     QStringLiteral("900004=yes|J Hand Cases. 2021;2:7"), QStringLiteral("900011=|")}));
    }

    // Hand-made: empty and UNLABELLED labels, an empty paragraph, a
    // CollectiveName beside a LastName, a person without ForeName, groups (one
    // led by a no-break space), an author marked invalid, an ISSNLinking alone.
    void paragraphsAndAuthorsByHand()
    {
        READ_TEST_DATA(answer, kHandMadeDir + QStringLiteral("abstract-labels-and-authors.xml"));
        const ArticleList records = recordsFrom(answer);
        QCOMPARE(records.size(), 2);
        const ArticleRecord &r = records[0];
        QCOMPARE(r.text(Key::Abstract), QStringLiteral("No label shown for an empty one.\n\nNor for UNLABELLED.\n\n"
                                                       "Results: CO2 rose 10-6-fold in E. coli.\n\nPlain last paragraph."));
        QCOMPARE(styledPieces(r, Key::Abstract),
                 (StyledPieces{{QStringLiteral("UNLABELLED"), kB}, {QStringLiteral("Results:"), kB}, {QStringLiteral("2"), kSub},
                               {QStringLiteral("-6"), kSup}, {QStringLiteral("E. coli"), kI}}));
        QCOMPARE(r.text(Key::Title), QStringLiteral("Labels: empty, unlabelled, styled and missing."));
        QCOMPARE(styledPieces(r, Key::Title), (StyledPieces{{QStringLiteral("styled"), kI}}));
        QCOMPARE(r.text(Key::Year), QStringLiteral("1998 Dec-1999 Jan"));
        QCOMPARE(r.text(Key::Month), QStringLiteral("Dec"));
        QCOMPARE(r.list(Key::Language), (QStringList{QStringLiteral("eng"), QStringLiteral("fre")}));
        QCOMPARE(r.text(Key::Pmcid), QStringLiteral("PMC900021"));
        QCOMPARE(r.authors(), (QList<AuthorEntry>{{QStringLiteral("Person"), QStringLiteral("PQ"), false},
                                                  {QStringLiteral("Hand-made Study Group"), QString(), true},
                                                  {QStringLiteral("Both"), QStringLiteral("B"), false},
                                                  {QStringLiteral("Single"), QString(), false}}));
        QCOMPARE(r.text(Key::AuthorsString), QStringLiteral("Person PQ, Hand-made Study Group, Both B, Single "));
        QCOMPARE(r.list(Key::ForeNames), (QStringList{QStringLiteral("Pat Q"), QString(), QStringLiteral("Bea"), QString()}));

        const ArticleRecord &groups = records[1];
        QCOMPARE(groups.text(Key::Month), QString());
        QCOMPARE(groups.text(Key::AuthorsString), QStringLiteral("First Group, Second Group "));
        QCOMPARE(groups.list(Key::ForeNames), (QStringList{QString(), QString()}));
        QCOMPARE(groups.list(Key::Issn), QStringList{QStringLiteral("0000-0019 (Linking)")});
        QCOMPARE(groups.text(Key::Abstract), QString());
    }

    // Book records: a chapter and a whole book by hand, and the real whole book.
    void bookRecords_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QStringList>("texts"); // PMID, title, journal, journalTitle, year, month, doi, language, publisher
        QTest::addColumn<QString>("authorsString");
        QTest::addColumn<QString>("abstractStart");
        QTest::addColumn<QStringList>("publicationTypes");
        QTest::addColumn<QStringList>("keywords");
        const QString handMade = kHandMadeDir + QStringLiteral("book-chapter-and-book.xml");
        QTest::newRow("chapter") << handMade << 0 << int(ArticleRecord::Kind::BookChapter)
            << QStringList{QStringLiteral("900031"), QStringLiteral("A chapter on H2O"), QStringLiteral("Handbook of Cases"),
                           QStringLiteral("Handbook of Cases"), QStringLiteral("2023"), QStringLiteral("Feb"),
                           QStringLiteral("10.9999/chapter.1"), QStringLiteral("eng"), QStringLiteral("Hand-made Press")}
            << QStringLiteral("Chapterwriter C, Chapter Group ") << QStringLiteral("INTRODUCTION: Why.\n\nSUMMARY: What.")
            << QStringList{QStringLiteral("Review"), QStringLiteral("Book Chapter")}
            << QStringList{QStringLiteral("water"), QStringLiteral("chapters")};
        QTest::newRow("whole book in a collection") << handMade << 1 << int(ArticleRecord::Kind::Book)
            << QStringList{QStringLiteral("900032"), QStringLiteral("A Whole Report"), QStringLiteral("Health Technology Reports"),
                           QStringLiteral("Health Technology Reports"), QStringLiteral("2019"), QStringLiteral("Nov"), QString(),
                           QStringLiteral("eng"), QStringLiteral("Hand-made Press")}
            << QStringLiteral("Reporter R ") << QString() << QStringList{QStringLiteral("Technical Report")} << QStringList();
        QTest::newRow("real book, editors only") << kDataDir + QStringLiteral("eutils_json_efetch_pubmedbook.xml") << 0
            << int(ArticleRecord::Kind::Book)
            << QStringList{QStringLiteral("20301295"), QStringLiteral("GeneReviews™"), QString(), QString(),
                           QStringLiteral("1993"), QString(), QString(), QStringLiteral("eng"),
                           QStringLiteral("University of Washington, Seattle")}
            << QString() << QStringLiteral("GeneReviews are expert-authored") << QStringList() << QStringList();
    }
    void bookRecords()
    {
        QFETCH(QString, path);
        QFETCH(int, index);
        QFETCH(int, kind);
        QFETCH(QStringList, texts);
        QFETCH(QString, authorsString);
        QFETCH(QString, abstractStart);
        QFETCH(QStringList, publicationTypes);
        QFETCH(QStringList, keywords);
        READ_TEST_DATA(answer, path);
        const ArticleList records = recordsFrom(answer);
        QVERIFY(index < records.size());
        const ArticleRecord &r = records[index];
        QCOMPARE(int(r.kind()), kind);
        QStringList got;
        for (Key k : {Key::PMID, Key::Title, Key::Journal, Key::JournalTitle, Key::Year, Key::Month, Key::Doi, Key::Language,
                      Key::Publisher})
            got << (ArticleRecord::isListKey(k) ? r.list(k).join(QLatin1Char(';')) : r.text(k));
        QCOMPARE(got, texts);
        QCOMPARE(r.text(Key::AuthorsString), authorsString);
        QVERIFY2(r.text(Key::Abstract).startsWith(abstractStart), qPrintable(r.text(Key::Abstract).left(200)));
        QCOMPARE(r.list(Key::PublicationTypes), publicationTypes);
        QCOMPARE(r.list(Key::Keywords), keywords);
        for (Key k : {Key::Volume, Key::Issue, Key::Pages, Key::Pmcid})
            QCOMPARE(r.text(k), QString());
        QCOMPARE(r.list(Key::Issn), QStringList());
        QCOMPARE(r.list(Key::Mesh), QStringList());
        QCOMPARE(r.text(Key::Hyperlink), QString::fromStdString(kBase + "&id=") + texts[0]);
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
                                                  {QStringLiteral("Group"), QString(), true},
                                                  {QStringLiteral("Gamma"), QStringLiteral("GC")}}));
        QCOMPARE(r.text(Key::AuthorsString), QStringLiteral("Alpha A, Beta, Group, Gamma GC "));
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

    void firstMatchesOnlyButEveryParagraph()
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
        QCOMPARE(list[0].text(Key::Abstract), QStringLiteral("A: one\n\nB: two"));
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
        QCOMPARE(appendArticlesFromResponse(answer(article("1", "", "")).substr(0, 300), list, kBase), qsizetype(0));
        QCOMPARE(list.size(), 1);
        // An answer saved without its declaration is no failure.
        QCOMPARE(appendArticlesFromResponse("<PubmedArticleSet><PubmedArticle/></PubmedArticleSet>", list, kBase), qsizetype(1));
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

    // vexmoor-cli efetch: one JSON object per line, keys in record order, or
    // an export file; exit status 1 for invalid UTF-8 and for no records.
    void cliPrintsTheRecords()
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
                            "retmode=ref&id=38962805\", \"doi\": \"10.1080/09540121.2024.2374185\", \"pmcid\": \"\", "
                            "\"journalTitle\": \"AIDS care\", \"issn\": [\"1360-0451 (Electronic)\", "
                            "\"0954-0121 (Linking)\"], \"language\": [\"eng\"], "
                            "\"month\": \"Jul\", \"retracted\": false, \"publisher\": \"\", \"retractionIn\": \"\", \"day\": \"\", "
                            "\"vernacularTitle\": \"\", \"epubDate\": \"2024-07-04\", "
                            "\"publicationModel\": \"Print-Electronic\", "
                            "\"publicationTypes\": [\"Journal Article\", \"Published Erratum\"], \"mesh\": [], "
                            "\"keywords\": [], \"foreNames\": [], "
                            "\"elocationIds\": [\"10.1080/09540121.2024.2374185 [doi]\"], "
                            "\"articleIds\": [\"10.1080/09540121.2024.2374185 [doi]\"], \"abstractLabels\": []}\n"));

        run(kDataDir + QStringLiteral("biopython_pubmed2.xml"));
        const QList<QByteArray> lines = cli.readAllStandardOutput().split('\n');
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines[1].contains("\"authors\": [{\"lastname\": \"Casieri\", \"initials\": \"C\"}, {\"lastname\": \"Testa\""));

        run(kHandMadeDir + QStringLiteral("retraction-markers.xml"));
        const QList<QByteArray> marked = cli.readAllStandardOutput().split('\n');
        QCOMPARE(marked.size(), 6);
        QVERIFY(marked[0].contains("\"retracted\": true, \"publisher\": \"\""));
        QVERIFY(marked[0].contains("\"publicationTypes\": [\"Journal Article\", \"Retracted Publication\"]"));
        QVERIFY(marked[0].contains("\"retractionIn\": \"\""));
        QVERIFY(marked[1].contains("\"retractionIn\": \"J Hand Cases. 2021;2:5\""));
        QVERIFY(marked[4].contains("\"retracted\": false"));
        run(kHandMadeDir + QStringLiteral("abstract-labels-and-authors.xml"));
        QVERIFY(cli.readAllStandardOutput().contains(
            "\"abstract\": \"No label shown for an empty one.\\n\\nNor for UNLABELLED.\\n\\nResults: CO2 rose"));

        // Saved without its declaration, an answer is read all the same; one
        // without articles is a failure.
        READ_TEST_DATA(pubmed2, kDataDir + QStringLiteral("biopython_pubmed2.xml"));
        run(QStringLiteral("-"), pubmed2.mid(pubmed2.indexOf("<PubmedArticleSet>")));
        QCOMPARE(cli.readAllStandardOutput().count('\n'), 2);

        run(QStringLiteral("-"), "<?xml version=\"1.0\"?><PubmedArticleSet><PubmedArticle>Universit\xE0</PubmedArticle></PubmedArticleSet>");
        QCOMPARE(cli.exitCode(), 1);
        QVERIFY(cli.readAllStandardOutput().isEmpty());
        QVERIFY(!cli.readAllStandardError().isEmpty());

        // Whatever a title holds comes back whole from the JSON.
        const QByteArray awkward = "<?xml version=\"1.0\"?><PubmedArticleSet><PubmedArticle><MedlineCitation><PMID>5</PMID>"
                                   "<Article><ArticleTitle>a \"q\" b\\c\td\x01e \xC3\xA9\r\n</ArticleTitle></Article>"
                                   "</MedlineCitation></PubmedArticle></PubmedArticleSet>";
        run(QStringLiteral("-"), awkward);
        QJsonParseError error;
        const QJsonObject printed = QJsonDocument::fromJson(cli.readAllStandardOutput(), &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(printed.value(QLatin1String("title")).toString(), recordsFrom(awkward).at(0).text(Key::Title));

        run(QStringLiteral("-"), "<?xml version=\"1.0\"?><PubmedArticleSet>\n</PubmedArticleSet>");
        QCOMPARE(cli.exitCode(), 1);
        QVERIFY(cli.readAllStandardOutput().isEmpty());

        // Records of a long answer are read before its end, but the end
        // decides: no closing tag, or a bad last byte, and none is printed.
        // With a file format, the bytes the window's export writes.
        RECORDS_OF(four, QStringLiteral("pubmed_result_4_articles.xml"));
        for (const ExportFormat format : ExportFormats::all()) {
            cli.start(QStringLiteral(VEXMOOR_CLI), {QStringLiteral("efetch"), kDataDir + QStringLiteral("pubmed_result_4_articles.xml"),
                                                    QStringLiteral("--format"), ExportFormats::name(format)});
            QVERIFY(cli.waitForFinished(30000));
            QCOMPARE(cli.exitCode(), 0);
            QCOMPARE(cli.readAllStandardOutput(), ExportFormats::write(format, four));
        }

        READ_TEST_DATA(large, kDataDir + QStringLiteral("pubmed_result_93_articles.xml"));
        run(QStringLiteral("-"), large.left(large.lastIndexOf("</PubmedArticleSet>")));
        QCOMPARE(cli.exitCode(), 1);
        QVERIFY(cli.readAllStandardOutput().isEmpty());
        run(QStringLiteral("-"), large + "\xC3");
        QCOMPARE(cli.exitCode(), 1);
        QVERIFY(cli.readAllStandardOutput().isEmpty());
    }
};

QTEST_GUILESS_MAIN(ArticleExtractorTest)
#include "ArticleExtractorTest.moc"
