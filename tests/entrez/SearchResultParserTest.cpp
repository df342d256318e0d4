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
    // Every saved answer, values read from the files; hand-made answers.
    // No total count: the answer yields no result.
    void answers_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("totalCount");
        QTest::addColumn<QStringList>("pmids"); // all of them, or the first and the last
        QTest::addColumn<int>("ids");
        const auto file = [](const char *name) { return readEsearch(QString::fromLatin1(name)); };
        QTest::newRow("esearch1") << file("biopython_esearch1.xml") << "63" << QStringList{"41282813", "37810457"} << 20;
        QTest::newRow("esearch2") << file("biopython_esearch2.xml") << "42249" << QStringList{"41297076", "41296368"} << 100;
        QTest::newRow("esearch2 2008, nested Counts") << file("biopython_esearch2_2008.xml") << "10238"
                                                      << QStringList{"18411453", "18409991"} << 100;
        QTest::newRow("esearch3, paging") << file("biopython_esearch3.xml") << "2651" << QStringList{"11121077", "11121072"} << 6;
        QTest::newRow("esearch8, no hits") << file("biopython_esearch8.xml") << "0" << QStringList() << 0;
        QTest::newRow("results with an ErrorList") << file("eutils_json_esearch_error.xml") << "5163"
                                                   << QStringList{"101595451", "101557580"} << 20;
        QTest::newRow("2012 answer") << file("eutils_json_esearch_pubmed.xml") << "15169" << QStringList{"23175848", "23174999"} << 100;
        // Duplicates are kept; a byte that is not UTF-8 is replaced, not fatal; stray markup is repaired.
        QTest::newRow("odd but readable")
            << "\xEF\xBB\xBF" + kDecl
                   + "<eSearchResult><Count>45</Count><IdList><Id>7</Id><Id>7</Id><Id> 8<b>9</b></Id></IdList>"
                     "<QueryTranslation>caf\xE9 & \"x\" < y</QueryTranslation></eSearchResult>\n<!-- trailing -->"
            << "45" << QStringList{"7", "7", " 89"} << 3;

        QTest::newRow("ERROR without Count") << file("eutils_json_esearch_baderror.xml") << QString() << QStringList() << 0;
        QTest::newRow("empty") << QByteArray() << QString() << QStringList() << 0;
        QTest::newRow("HTML error page") << QByteArray("<html><head><title>500 Internal Server Error</title></head></html>")
                                         << QString() << QStringList() << 0;
        QTest::newRow("truncated") << file("biopython_esearch1.xml").left(300) << QString() << QStringList() << 0;
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
        const std::optional<SearchResult> result = searchResultFromResponse(body);
        QCOMPARE(result.has_value(), !totalCount.isNull());
        if (!result)
            return;
        QCOMPARE(result->totalCount, totalCount);
        QCOMPARE(result->PMIDs.size(), ids);
        QCOMPARE(result->retrievedCount, ids);
        if (pmids.size() == ids)
            QCOMPARE(result->PMIDs, pmids);
        else
            QCOMPARE((QStringList{result->PMIDs.first(), result->PMIDs.last()}), pmids);
    }
};

QTEST_GUILESS_MAIN(SearchResultParserTest)
#include "SearchResultParserTest.moc"
