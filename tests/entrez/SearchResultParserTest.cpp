#include "entrez/SearchResultParser.h"
#include "TestData.h"

#include "common/SystemLog.h"

#include <QTest>

namespace {

const QByteArray kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n";
} // namespace

class SearchResultParserTest : public QObject
{
    Q_OBJECT

private slots:
    // Every saved answer, values read from the files; hand-made answers.
    // No total count: the answer yields no result.
    void answers_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("totalCount");
        QTest::addColumn<QStringList>("pmids"); // all of them, or the first and the last
        QTest::addColumn<int>("ids");
        // A row whose file cannot be read is left out, the test failing with the file's name.
        const auto fileRow = [](const char *row, const char *name, const char *totalCount, const QStringList &pmids,
                                int ids, qsizetype cut = -1) {
            if (const auto body = readTestData(QStringLiteral(VEXMOOR_TESTDATA_DIR "/esearch/") + QLatin1String(name)))
                QTest::newRow(row) << body->left(cut < 0 ? body->size() : cut) << QString::fromLatin1(totalCount) << pmids << ids;
        };
        fileRow("esearch1", "biopython_esearch1.xml", "63", {"41282813", "37810457"}, 20);
        fileRow("esearch2", "biopython_esearch2.xml", "42249", {"41297076", "41296368"}, 100);
        fileRow("esearch2 2008, nested Counts", "biopython_esearch2_2008.xml", "10238", {"18411453", "18409991"}, 100);
        fileRow("esearch3, paging", "biopython_esearch3.xml", "2651", {"11121077", "11121072"}, 6);
        fileRow("esearch8, no hits", "biopython_esearch8.xml", "0", {}, 0);
        fileRow("results with an ErrorList", "eutils_json_esearch_error.xml", "5163", {"101595451", "101557580"}, 20);
        fileRow("2012 answer", "eutils_json_esearch_pubmed.xml", "15169", {"23175848", "23174999"}, 100);
        // Duplicates are kept; a byte that is not UTF-8 is replaced, not fatal; stray markup is repaired.
        QTest::newRow("odd but readable")
            << "\xEF\xBB\xBF" + kDecl
                   + "<eSearchResult><Count>45</Count><IdList><Id>7</Id><Id>7</Id><Id> 8<b>9</b></Id></IdList>"
                     "<QueryTranslation>caf\xE9 & \"x\" < y</QueryTranslation></eSearchResult>\n<!-- trailing -->"
            << "45" << QStringList{"7", "7"} << 2;
        // Only 1 to 10 digits make a PMID; the rest never reaches a request.
        QTest::newRow("ids that are no PMIDs")
            << kDecl + "<eSearchResult><Count>9</Count><IdList><Id>1&amp;db=evil#frag</Id><Id>0</Id><Id>12345678901</Id>"
                       "<Id/><Id>9999999999</Id><Id>-5</Id><Id>\xEF\xBC\x91</Id><Id>2 </Id></IdList></eSearchResult>"
            << "9" << QStringList{"0", "9999999999"} << 2;

        fileRow("ERROR without Count", "eutils_json_esearch_baderror.xml", nullptr, {}, 0);
        QTest::newRow("empty") << QByteArray() << QString() << QStringList() << 0;
        QTest::newRow("HTML error page") << QByteArray("<html><head><title>500 Internal Server Error</title></head></html>")
                                         << QString() << QStringList() << 0;
        fileRow("truncated", "biopython_esearch1.xml", nullptr, {}, 0, 300);
        QTest::newRow("only nested Count")
            << kDecl + "<eSearchResult><TranslationStack><TermSet><Count>5</Count></TermSet></TranslationStack></eSearchResult>"
            << QString() << QStringList() << 0;
        QTest::newRow("other root") << kDecl + "<Other><Count>1</Count></Other></eSearchResult>" << QString() << QStringList() << 0;
    }
    void answers()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, totalCount);
        QFETCH(QStringList, pmids);
        QFETCH(int, ids);
        QStringList log;
        setSystemLogSink([&log](const QString &line) { log.append(line); });
        const std::optional<SearchResult> result = searchResultFromResponse(body);
        setSystemLogSink({});
        QCOMPARE(result.has_value(), !totalCount.isNull());
        if (!result)
            return;
        QCOMPARE(result->totalCount, totalCount);
        QCOMPARE(result->PMIDs.size(), ids);
        QCOMPARE(result->retrievedCount, ids);
        const int dropped = int(body.count("<Id>") + body.count("<Id/>")) - ids;
        QCOMPARE(log, dropped > 0 ? QStringList{QStringLiteral("ESearch answer: %1 ids that are not 1 to 10 digits were dropped").arg(dropped)}
                                  : QStringList());
        if (pmids.size() == ids)
            QCOMPARE(result->PMIDs, pmids);
        else
            QCOMPARE((QStringList{result->PMIDs.first(), result->PMIDs.last()}), pmids);
    }

    // What PubMed did with the query: each part read from the saved answers,
    // and hand-made ones with every kind of remark, empty lists and markup in
    // a phrase (kept as the text it spells, never as markup).
    // Lists: "From", "term field count", "error|warning Kind: text".
    void queryDetails_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("translation"); // its start
        QTest::addColumn<QStringList>("expansions");
        QTest::addColumn<QStringList>("termCounts");
        QTest::addColumn<QStringList>("notices");
        const auto fileRow = [](const char *name, const char *translation, const QStringList &expansions,
                                const QStringList &termCounts, const QStringList &notices) {
            if (const auto body = readTestData(QStringLiteral(VEXMOOR_TESTDATA_DIR "/esearch/") + QLatin1String(name)))
                QTest::newRow(name) << *body << QString::fromUtf8(translation) << expansions << termCounts << notices;
        };
        fileRow("biopython_esearch1.xml", "\"biopython\"[All Fields]", {}, {}, {});
        fileRow("biopython_esearch3.xml", "\"proc natl acad sci u s a\"[Journal] AND \"97\"[Volume]", {"PNAS[ta]"}, {}, {});
        fileRow("biopython_esearch2.xml", "(\"cancer s\"[All Fields] OR", {"cancer"}, {}, {});
        fileRow("biopython_esearch2_2008.xml", "((\"neoplasms\"[TIAB] NOT Medline[SB])", {"cancer"},
                {"\"neoplasms\"[TIAB] TIAB 52104", "Medline[SB] SB 16509514", "\"neoplasms\"[MeSH Terms] MeSH Terms 1918010",
                 "cancer[Text Word] Text Word 638849", "2008/02/16[EDAT] EDAT -1", "2008/04/16[EDAT] EDAT -1"},
                {});
        fileRow("biopython_esearch8.xml", "(abcXYZ[All Fields])", {}, {},
                {"error PhraseNotFound: abcXYZ", "warning OutputMessage: No items found."});
        fileRow("eutils_json_esearch_error.xml", "\"obstetrics\"[MeSH Terms]", {"obstetrics[MeSH Terms]"},
                {"\"obstetrics\"[MeSH Terms] MeSH Terms 5163"}, {"error PhraseNotFound: fleegle[MeSH Terms]"});
        fileRow("eutils_json_esearch_pubmed.xml", "(\"neoplasms\"[MeSH Terms] OR", {"cancer"},
                {"\"neoplasms\"[MeSH Terms] MeSH Terms 2382851", "\"neoplasms\"[All Fields] All Fields 1880322",
                 "\"cancer\"[All Fields] All Fields 1148937", "2012/09/25[EDAT] EDAT 0", "2012/11/24[EDAT] EDAT 0"},
                {});
        QTest::newRow("every remark, markup in a phrase")
            << kDecl + "<eSearchResult><Count>0</Count><ErrorList><PhraseNotFound>&lt;img src=x onerror=alert(1)&gt;</PhraseNotFound>"
                       "<FieldNotFound>zz</FieldNotFound></ErrorList><WarningList><PhraseIgnored>the</PhraseIgnored>"
                       "<QuotedPhraseNotFound>\"a <b>b</b>\"</QuotedPhraseNotFound><OutputMessage>No items found.</OutputMessage>"
                       "</WarningList></eSearchResult>"
            << QString() << QStringList() << QStringList()
            << QStringList{"error PhraseNotFound: <img src=x onerror=alert(1)>", "error FieldNotFound: zz", "warning PhraseIgnored: the",
                           "warning QuotedPhraseNotFound: \"a b\"", "warning OutputMessage: No items found."};
        QTest::newRow("empty lists, nested ones not the root's")
            << kDecl + "<eSearchResult><Count>3</Count><TranslationSet/><ErrorList/><WarningList>\n</WarningList>"
                       "<IdList><ErrorList><PhraseNotFound>x</PhraseNotFound></ErrorList></IdList></eSearchResult>"
            << QString() << QStringList() << QStringList() << QStringList();
    }
    void queryDetails()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, translation);
        QFETCH(QStringList, expansions);
        QFETCH(QStringList, termCounts);
        QFETCH(QStringList, notices);
        const std::optional<SearchResult> result = searchResultFromResponse(body);
        QVERIFY(result);
        QVERIFY2(result->translation.startsWith(translation) && translation.isEmpty() == result->translation.isEmpty(),
                 qPrintable(result->translation));
        QStringList froms, counts, remarks;
        for (const TermExpansion &expansion : result->expansions) {
            froms.append(expansion.from);
            QVERIFY(!expansion.to.isEmpty());
        }
        for (const TermCount &term : result->termCounts)
            counts.append(term.term + ' ' + term.field + ' ' + term.count);
        for (const QueryNotice &notice : result->errors)
            remarks.append("error " + notice.kind + ": " + notice.text);
        for (const QueryNotice &notice : result->warnings)
            remarks.append("warning " + notice.kind + ": " + notice.text);
        QCOMPARE(froms, expansions);
        QCOMPARE(counts, termCounts);
        QCOMPARE(remarks, notices);
    }
};

QTEST_GUILESS_MAIN(SearchResultParserTest)
#include "SearchResultParserTest.moc"
