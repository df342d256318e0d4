#include "entrez/SearchResultParser.h"

#include <QFile>
#include <QTest>

namespace {
QByteArray readEsearch(const QString &name)
{
    QFile file(QStringLiteral(VEXMOOR_TESTDATA_DIR "/esearch/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(file.fileName()));
    return file.readAll();
}

const QByteArray kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n";
} // namespace

class SearchResultParserTest : public QObject
{
    Q_OBJECT

private slots:
    void realAnswers_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("totalCount");
        QTest::addColumn<int>("ids");
        QTest::addColumn<QString>("firstId");
        QTest::addColumn<QString>("lastId");
        // Read from the files.
        QTest::newRow("esearch1") << "biopython_esearch1.xml" << "63" << 20 << "41282813" << "37810457";
        QTest::newRow("esearch2") << "biopython_esearch2.xml" << "42249" << 100 << "41297076" << "41296368";
        QTest::newRow("esearch2 2008, nested Counts") << "biopython_esearch2_2008.xml" << "10238" << 100 << "18411453" << "18409991";
        QTest::newRow("esearch3, paging") << "biopython_esearch3.xml" << "2651" << 6 << "11121077" << "11121072";
        QTest::newRow("esearch8, no hits") << "biopython_esearch8.xml" << "0" << 0 << QString() << QString();
        QTest::newRow("results with an ErrorList") << "eutils_json_esearch_error.xml" << "5163" << 20 << "101595451" << "101557580";
        QTest::newRow("2012 answer") << "eutils_json_esearch_pubmed.xml" << "15169" << 100 << "23175848" << "23174999";
    }
    void realAnswers()
    {
        QFETCH(QString, file);
        QFETCH(QString, totalCount);
        QFETCH(int, ids);
        QFETCH(QString, firstId);
        QFETCH(QString, lastId);
        const std::optional<SearchResult> result = searchResultFromResponse(readEsearch(file));
        QVERIFY(result);
        QCOMPARE(result->totalCount, totalCount);
        QCOMPARE(result->PMIDs.size(), ids);
        QCOMPARE(result->retrievedCount, ids);
        if (ids > 0) {
            QCOMPARE(result->PMIDs.first(), firstId);
            QCOMPARE(result->PMIDs.last(), lastId);
        }
    }

    void failures_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("ERROR without Count") << readEsearch(QStringLiteral("eutils_json_esearch_baderror.xml"));
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("HTML error page") << QByteArray("<html><head><title>500 Internal Server Error</title></head></html>");
        QTest::newRow("truncated") << readEsearch(QStringLiteral("biopython_esearch1.xml")).left(300);
        QTest::newRow("only nested Count")
            << kDecl + "<eSearchResult><TranslationStack><TermSet><Count>5</Count></TermSet></TranslationStack></eSearchResult>";
        QTest::newRow("other root") << kDecl + "<Other><Count>1</Count></Other></eSearchResult>";
    }
    void failures()
    {
        QFETCH(QByteArray, body);
        QVERIFY(!searchResultFromResponse(body));
    }

    void oddButReadableAnswers()
    {
        // Duplicates are kept; a byte that is not UTF-8 is replaced, not fatal; stray markup is repaired.
        const QByteArray body = "\xEF\xBB\xBF" + kDecl
            + "<eSearchResult><Count>45</Count><IdList><Id>7</Id><Id>7</Id><Id> 8<b>9</b></Id></IdList>"
              "<QueryTranslation>caf\xE9 & \"x\" < y</QueryTranslation></eSearchResult>\n<!-- trailing -->";
        const std::optional<SearchResult> result = searchResultFromResponse(body);
        QVERIFY(result);
        QCOMPARE(result->totalCount, QStringLiteral("45"));
        QCOMPARE(result->PMIDs, (QStringList{QStringLiteral("7"), QStringLiteral("7"), QStringLiteral(" 89")}));
        QCOMPARE(result->retrievedCount, 3);
    }
};

QTEST_GUILESS_MAIN(SearchResultParserTest)
#include "SearchResultParserTest.moc"
