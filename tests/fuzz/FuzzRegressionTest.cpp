#include "FuzzBodies.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {

using Body = void (*)(const uint8_t *, size_t);

struct Target
{
    const char *name;
    Body body;
};

constexpr Target kTargets[] = {
    {"fuzz_efetch_pipeline", FuzzBodies::efetchPipeline},
    {"fuzz_esearch", FuzzBodies::esearch},
    {"fuzz_xml_repair", FuzzBodies::xmlRepair},
};

// One row per file of `folder`/<target>, for every target; returns the count.
int addRows(const QString &folder, const char *kind)
{
    QTest::addColumn<int>("target");
    QTest::addColumn<QString>("path");
    int rows = 0;
    for (int t = 0; t < int(std::size(kTargets)); ++t) {
        const QDir dir(folder + QLatin1Char('/') + QLatin1String(kTargets[t].name));
        for (const QString &file : dir.entryList(QDir::Files, QDir::Name)) {
            const QString row = QStringLiteral("%1 %2/%3").arg(QLatin1String(kind), QLatin1String(kTargets[t].name), file);
            QTest::newRow(qPrintable(row)) << t << dir.filePath(file);
            ++rows;
        }
    }
    return rows;
}

void replayRow()
{
    QFETCH(int, target);
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
    const QByteArray bytes = file.readAll();
    // A violated property or a crash ends the program, failing the test.
    kTargets[target].body(reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(bytes.size()));
}

} // namespace

class FuzzRegressionTest : public QObject
{
    Q_OBJECT

private slots:
    // Inputs that once crashed, hung or broke a property of a fuzz target.
    void regressions_data()
    {
        if (addRows(QStringLiteral(VEXMOOR_TEST_SOURCE_DIR "/regressions"), "regression") == 0)
            QSKIP("no fuzzer finding has been saved");
    }
    void regressions() { replayRow(); }

    // The committed corpora: real answers and their mutants, which reach
    // most branches of the cleanup, the repair and the extraction.
    void corpus_data()
    {
        if (addRows(QStringLiteral(VEXMOOR_FUZZ_DIR "/corpus"), "corpus") == 0)
            QFAIL("the fuzz corpus is missing");
    }
    void corpus() { replayRow(); }
};

QTEST_GUILESS_MAIN(FuzzRegressionTest)
#include "FuzzRegressionTest.moc"
