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
};

QTEST_GUILESS_MAIN(SearchResultParserTest)
#include "SearchResultParserTest.moc"
