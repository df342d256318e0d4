// vexmoor-cli esearch on every saved ESearch answer of the test data: the
// output format, standard input and exit codes.
#include "CliRun.h"
#include "TestData.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

namespace {

const QString kDir = QStringLiteral(VEXMOOR_TESTDATA_DIR "/esearch/");

} // namespace

class EsearchCliTest : public QObject
{
    Q_OBJECT

private slots:
    // Every saved answer gives one line of JSON with the three values, except
    // the one the parser cannot read (ERROR without a Count): exit status 1.
    // The values are the parser's (SearchResultParserTest); one run below
    // checks them byte for byte.
    void everySavedAnswer()
    {
        const QStringList files = QDir(kDir).entryList({QStringLiteral("*.xml")});
        QCOMPARE(files.size(), 8);
        for (const QString &file : files) {
            const bool readable = file != QLatin1String("eutils_json_esearch_baderror.xml");
            const CliRun run = runCli({QStringLiteral("esearch"), kDir + file});
            QCOMPARE(run.exitCode, readable ? 0 : 1);
            QCOMPARE(run.out.count('\n'), readable ? 1 : 0);
            if (!readable)
                continue;
            const QJsonObject result = QJsonDocument::fromJson(run.out).object();
            QCOMPARE(result.keys(), (QStringList{"PMIDs", "errors", "expansions", "retrievedCount", "termCounts", "totalCount",
                                                 "translation", "warnings"}));
            QCOMPARE(result.value(QLatin1String("PMIDs")).toArray().size(), result.value(QLatin1String("retrievedCount")).toInt(-1));
            QVERIFY(result.value(QLatin1String("totalCount")).isString());
        }
    }

    // From standard input, byte for byte: the counts first as they always
    // were, then what PubMed did with the query.
    void printsTheWholeResultInOrder_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("out");
        QTest::newRow("ids, an expansion")
            << "biopython_esearch3.xml"
            << QByteArray("{\"PMIDs\": [\"11121077\",\"11121076\",\"11121075\",\"11121074\",\"11121073\",\"11121072\"], "
                          "\"totalCount\": \"2651\", \"retrievedCount\": 6, "
                          "\"translation\": \"\\\"proc natl acad sci u s a\\\"[Journal] AND \\\"97\\\"[Volume]\", "
                          "\"expansions\": [{\"from\":\"PNAS[ta]\",\"to\":\"\\\"Proc Natl Acad Sci U S A\\\"[Journal:__jid7505876]\"}], "
                          "\"termCounts\": [], \"errors\": [], \"warnings\": []}\n");
        QTest::newRow("an error, a term count")
            << "eutils_json_esearch_error.xml"
            << QByteArray("{\"PMIDs\": [\"101595451\",\"101594756\",\"101592162\",\"101584239\",\"101579894\",\"101579335\",\"101562482\","
                          "\"101561609\",\"101556399\",\"101591596\",\"101578136\",\"101576454\",\"101574347\",\"101572928\",\"101570665\","
                          "\"101566951\",\"101560767\",\"101559065\",\"101558035\",\"101557580\"], \"totalCount\": \"5163\", "
                          "\"retrievedCount\": 20, \"translation\": \"\\\"obstetrics\\\"[MeSH Terms]\", "
                          "\"expansions\": [{\"from\":\"obstetrics[MeSH Terms]\",\"to\":\"\\\"obstetrics\\\"[MeSH Terms]\"}], "
                          "\"termCounts\": [{\"count\":\"5163\",\"field\":\"MeSH Terms\",\"term\":\"\\\"obstetrics\\\"[MeSH Terms]\"}], "
                          "\"errors\": [{\"kind\":\"PhraseNotFound\",\"text\":\"fleegle[MeSH Terms]\"}], \"warnings\": []}\n");
        QTest::newRow("an error and a warning") << "biopython_esearch8.xml"
                                   << QByteArray("{\"PMIDs\": [], \"totalCount\": \"0\", \"retrievedCount\": 0, "
                                                 "\"translation\": \"(abcXYZ[All Fields])\", \"expansions\": [], \"termCounts\": [], "
                                                 "\"errors\": [{\"kind\":\"PhraseNotFound\",\"text\":\"abcXYZ\"}], "
                                                 "\"warnings\": [{\"kind\":\"OutputMessage\",\"text\":\"No items found.\"}]}\n");
    }
    void printsTheWholeResultInOrder()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, out);
        READ_TEST_DATA(answer, kDir + file);
        const CliRun run = runCli({QStringLiteral("esearch"), QStringLiteral("-")}, answer);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, out);
    }

    void failuresSayWhyOnOneLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        const QString efetchAnswer = QStringLiteral(VEXMOOR_TESTDATA_DIR "/efetch/metapub_38962805.xml");
        if (haveTestData(efetchAnswer))
            QTest::newRow("EFetch answer instead") << QStringList{efetchAnswer} << 1;
        QTest::newRow("no file named") << QStringList() << 2;
    }
    void failuresSayWhyOnOneLine()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        const CliRun run = runCli(QStringList{QStringLiteral("esearch")} + args);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY(run.out.isEmpty());
        QCOMPARE(run.err.count('\n'), 1);
        QVERIFY(run.err.endsWith('\n'));
    }
};

QTEST_GUILESS_MAIN(EsearchCliTest)
#include "EsearchCliTest.moc"
