// vexmoor-cli review, run step after step on one library of the test's own.
#include "CliRun.h"

#include <QTemporaryDir>
#include <QTest>

class ReviewCliTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;

private slots:
    void steps_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("out"); // a part
        QTest::addColumn<QByteArray>("err"); // a part
        const QString dir = QStringLiteral(VEXMOOR_TEST_SOURCE_DIR "/../data/review/");
        const QByteArray none;
        QTest::newRow("import MEDLINE") << QStringList{"import", "Search", dir + "pubmed.nbib", "--source", "PubMed",
                                                       "--date", "2026-01-05", "--strategy", "librar* AND search*"}
                                        << 0 << none << QByteArray("3 records imported from PubMed");
        QTest::newRow("import RIS") << QStringList{"import", "Search", dir + "embase-ovid.ris", "--source", "Embase"} << 0
                                    << none << QByteArray("3 records imported from Embase");
        QTest::newRow("a bad file imports nothing")
            << QStringList{"import", "Search", dir + "SOURCES.md", "--source", "Embase"} << 1 << none
            << QByteArray("Use a RIS, MEDLINE");
        QTest::newRow("import without a source") << QStringList{"import", "Search", dir + "wos.bib"} << 2 << none
                                                 << QByteArray("import takes --source DATABASE");
        QTest::newRow("import with a date that is none")
            << QStringList{"import", "Search", dir + "wos.bib", "--source", "Web of Science", "--date", "2026-13-45"} << 2 << none
            << QByteArray("--date takes YYYY-MM-DD");
        QTest::newRow("a cut-short shared review") << QStringList{"import", "Shared", dir + "cut-short.vexmoor-review"} << 1 << none
                                                   << QByteArray("The file is not a Vexmoor review.");
        QTest::newRow("list") << QStringList{"list"} << 0 << QByteArray("Search\t6\n") << none;
        QTest::newRow("dry run merges nothing") << QStringList{"dedup", "Search", "--dry-run"} << 0
                                                << QByteArray("\tsame DOI\n") << QByteArray("3 duplicates merged");
        QTest::newRow("still six") << QStringList{"list"} << 0 << QByteArray("Search\t6\n") << none;
        QTest::newRow("dedup") << QStringList{"dedup", "Search"} << 0 << QByteArray("merged\t") << none;
        QTest::newRow("three left") << QStringList{"list"} << 0 << QByteArray("Search\t3\n") << none;
        QTest::newRow("PRISMA counts") << QStringList{"prisma", "Search", "--format", "csv"} << 0
                                       << QByteArray("Duplicate records removed,3\r\nRecords screened,3\r\n") << none;
        QTest::newRow("PRISMA diagram") << QStringList{"prisma", "Search", "--format", "svg"} << 0
                                        << QByteArray("Records identified from:</text>") << none;
        QTest::newRow("PRISMA-S") << QStringList{"prisma", "Search", "--format", "markdown"} << 0
                                  << QByteArray("| PubMed |  | 2026-01-05 | 3 | librar* AND search* |") << none;
        QTest::newRow("export with where found") << QStringList{"export", "Search", "--stage", "all", "--format", "ris"}
                                                 << 0 << QByteArray("N1  - Found in: PubMed, Embase\r\n") << none;
        QTest::newRow("share the whole review") << QStringList{"share", "Search"} << 0
                                                << QByteArray("\"vexmoor-review\": 1") << none;
        QTest::newRow("export a wrong format") << QStringList{"export", "Search", "--format", "svg"} << 2 << none
                                               << QByteArray("export takes --format ris|bibtex|csv");
        QTest::newRow("an unknown review") << QStringList{"show", "Nothing"} << 1 << none
                                           << QByteArray("There is no review named \"Nothing\".");
        for (const char *action : {"dedup", "prisma", "export", "share"})
            QTest::addRow("%s of an unknown review", action) << QStringList{action, "Nothing"} << 1 << none
                                                             << QByteArray("There is no review named \"Nothing\".");
        QTest::newRow("an unknown action") << QStringList{"merge", "Search"} << 2 << none << QByteArray("unknown action \"merge\"");
        QTest::newRow("show without a name") << QStringList{"show"} << 2 << none << QByteArray("show takes one NAME");
        QTest::newRow("an unknown stage") << QStringList{"export", "Search", "--stage", "maybe", "--format", "ris"} << 2 << none
                                          << QByteArray("--stage takes all, included, full-text, excluded or undecided, not \"maybe\"");
        QTest::newRow("PRISMA in an export's format") << QStringList{"prisma", "Search", "--format", "ris"} << 2 << none
                                                      << QByteArray("prisma takes --format svg|csv|markdown");
        QTest::newRow("nothing was made of a bad shared file") << QStringList{"show", "Shared"} << 1 << none
                                                               << QByteArray("There is no review named \"Shared\".");
    }
    void steps()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), m_home.filePath(QStringLiteral("data")));
        environment.insert(QStringLiteral("HOME"), m_home.path());
        const CliRun run = runCli(QStringList{QStringLiteral("review")} + args, {}, environment);
        QVERIFY2(run.exitCode == status, run.err.constData());
        QVERIFY2(run.out.contains(out), run.out.constData());
        QVERIFY2(run.err.contains(err), run.err.constData());
    }
};

QTEST_GUILESS_MAIN(ReviewCliTest)
#include "ReviewCliTest.moc"
