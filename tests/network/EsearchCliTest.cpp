// vexmoor-cli esearch on every saved ESearch answer of the test data. The
// values themselves are the parser's (checked by SearchResultParserTest);
// here: the output format, standard input and exit codes.
#include "CliRun.h"
#include "entrez/SearchResultParser.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

namespace {

const QString kDir = QStringLiteral(VEXMOOR_TESTDATA_DIR "/esearch/");

QByteArray readAnswer(const QString &name)
{
    QFile file(kDir + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class EsearchCliTest : public QObject
{
    Q_OBJECT

private slots:
    // Each answer the parser reads is printed as one JSON object of exactly
    // its three values; the one it cannot read (ERROR without a Count) fails.
    void everySavedAnswer()
    {
        const QStringList files = QDir(kDir).entryList({QStringLiteral("*.xml")});
        QCOMPARE(files.size(), 8);
        for (const QString &file : files) {
            const std::optional<SearchResult> result = searchResultFromResponse(readAnswer(file));
            QCOMPARE(result.has_value(), file != QLatin1String("eutils_json_esearch_baderror.xml"));
            const CliRun run = runCli({QStringLiteral("esearch"), kDir + file});
            QCOMPARE(run.exitCode, result ? 0 : 1);
            if (!result) {
                QVERIFY(run.out.isEmpty());
                continue;
            }
            QVERIFY(run.err.isEmpty());
            QVERIFY(run.out.endsWith("}\n") && run.out.count('\n') == 1);
            const QJsonObject expected{{QStringLiteral("PMIDs"), QJsonArray::fromStringList(result->PMIDs)},
                                       {QStringLiteral("totalCount"), result->totalCount},
                                       {QStringLiteral("retrievedCount"), result->retrievedCount}};
            QCOMPARE(QJsonDocument::fromJson(run.out).object(), expected);
        }
    }

    // From standard input, byte for byte.
    void printsTheWholeResultInOrder()
    {
        const CliRun run = runCli({QStringLiteral("esearch"), QStringLiteral("-")}, readAnswer(QStringLiteral("biopython_esearch3.xml")));
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QByteArray("{\"PMIDs\": [\"11121077\",\"11121076\",\"11121075\",\"11121074\",\"11121073\",\"11121072\"], "
                                     "\"totalCount\": \"2651\", \"retrievedCount\": 6}\n"));
    }

    void failuresSayWhyOnOneLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("missing file") << QStringList{kDir + QStringLiteral("nonexistent.xml")} << 1;
        QTest::newRow("EFetch answer instead") << QStringList{QStringLiteral(VEXMOOR_TESTDATA_DIR "/efetch/metapub_38962805.xml")} << 1;
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
