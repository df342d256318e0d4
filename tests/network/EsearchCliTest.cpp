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
            QCOMPARE(result.keys(), (QStringList{QStringLiteral("PMIDs"), QStringLiteral("retrievedCount"), QStringLiteral("totalCount")}));
            QCOMPARE(result.value(QLatin1String("PMIDs")).toArray().size(), result.value(QLatin1String("retrievedCount")).toInt(-1));
            QVERIFY(result.value(QLatin1String("totalCount")).isString());
        }
    }

    // From standard input, byte for byte.
    void printsTheWholeResultInOrder()
    {
        READ_TEST_DATA(answer, kDir + QStringLiteral("biopython_esearch3.xml"));
        const CliRun run = runCli({QStringLiteral("esearch"), QStringLiteral("-")}, answer);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QByteArray("{\"PMIDs\": [\"11121077\",\"11121076\",\"11121075\",\"11121074\",\"11121073\",\"11121072\"], "
                                     "\"totalCount\": \"2651\", \"retrievedCount\": 6}\n"));
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
