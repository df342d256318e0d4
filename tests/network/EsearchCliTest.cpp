// vexmoor-cli esearch on every saved ESearch answer of the test data.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

namespace {

struct CliRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

CliRun runCli(const QStringList &args, const QByteArray &input = {})
{
    QProcess process;
    process.start(QStringLiteral(VEXMOOR_CLI), args);
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(30000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

QString esearchFile(const QString &name)
{
    return QStringLiteral(VEXMOOR_TESTDATA_DIR "/esearch/") + name;
}

} // namespace

class EsearchCliTest : public QObject
{
    Q_OBJECT

private slots:
    // Expected values read from the files themselves: the root's Count, not
    // the Count elements of a TranslationStack, and the Ids in file order.
    void savedAnswers_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("totalCount");
        QTest::addColumn<int>("retrieved");
        QTest::addColumn<QString>("firstPmid");
        QTest::addColumn<QString>("lastPmid");
        QTest::newRow("current format") << "biopython_esearch1.xml" << "63" << 20 << "41282813" << "37810457";
        QTest::newRow("history server") << "biopython_esearch2.xml" << "42249" << 100 << "41297076" << "41296368";
        QTest::newRow("2008, translation stack") << "biopython_esearch2_2008.xml" << "10238" << 100 << "18411453" << "18409991";
        QTest::newRow("later window") << "biopython_esearch3.xml" << "2651" << 6 << "11121077" << "11121072";
        QTest::newRow("no match") << "biopython_esearch8.xml" << "0" << 0 << "" << "";
        QTest::newRow("result with error list") << "eutils_json_esearch_error.xml" << "5163" << 20 << "101595451" << "101557580";
        QTest::newRow("2012, nested counts") << "eutils_json_esearch_pubmed.xml" << "15169" << 100 << "23175848" << "23174999";
    }
    void savedAnswers()
    {
        QFETCH(QString, file);
        QFETCH(QString, totalCount);
        QFETCH(int, retrieved);
        QFETCH(QString, firstPmid);
        QFETCH(QString, lastPmid);
        const CliRun run = runCli({QStringLiteral("esearch"), esearchFile(file)});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.err.isEmpty());
        QVERIFY(run.out.endsWith("}\n"));
        QJsonParseError error;
        const QJsonObject result = QJsonDocument::fromJson(run.out, &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(result.keys().size(), 3);
        QCOMPARE(result.value(QLatin1String("totalCount")).toString(), totalCount);
        QCOMPARE(result.value(QLatin1String("retrievedCount")).toInt(-1), retrieved);
        const QJsonArray pmids = result.value(QLatin1String("PMIDs")).toArray();
        QCOMPARE(pmids.size(), retrieved);
        QCOMPARE(pmids.isEmpty() ? QString() : pmids.first().toString(), firstPmid);
        QCOMPARE(pmids.isEmpty() ? QString() : pmids.last().toString(), lastPmid);
    }

    void printsTheWholeResultInOrder()
    {
        const CliRun run = runCli({QStringLiteral("esearch"), esearchFile(QStringLiteral("biopython_esearch3.xml"))});
        QCOMPARE(run.out, QByteArray("{\"PMIDs\": [\"11121077\",\"11121076\",\"11121075\",\"11121074\",\"11121073\",\"11121072\"], "
                                     "\"totalCount\": \"2651\", \"retrievedCount\": 6}\n"));
    }

    void readsStandardInput()
    {
        QFile file(esearchFile(QStringLiteral("biopython_esearch8.xml")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const CliRun run = runCli({QStringLiteral("esearch"), QStringLiteral("-")}, file.readAll());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QByteArray("{\"PMIDs\": [], \"totalCount\": \"0\", \"retrievedCount\": 0}\n"));
    }

    void failuresSayWhyOnOneLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("error answer without Count")
            << QStringList{QStringLiteral("esearch"), esearchFile(QStringLiteral("eutils_json_esearch_baderror.xml"))} << 1;
        QTest::newRow("missing file") << QStringList{QStringLiteral("esearch"), esearchFile(QStringLiteral("nonexistent.xml"))} << 1;
        QTest::newRow("EFetch answer instead")
            << QStringList{QStringLiteral("esearch"), QStringLiteral(VEXMOOR_TESTDATA_DIR "/efetch/metapub_38962805.xml")} << 1;
        QTest::newRow("no file named") << QStringList{QStringLiteral("esearch")} << 2;
    }
    void failuresSayWhyOnOneLine()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        const CliRun run = runCli(args);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY(run.out.isEmpty());
        QCOMPARE(run.err.count('\n'), 1);
        QVERIFY(run.err.endsWith('\n'));
    }
};

QTEST_GUILESS_MAIN(EsearchCliTest)
#include "EsearchCliTest.moc"
