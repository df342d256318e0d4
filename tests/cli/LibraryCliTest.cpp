// vexmoor-cli library on a library of the test's own (XDG_DATA_HOME), with
// the fake E-utilities server for what it downloads.
#include "CliRun.h"
#include "DamagedLibrary.h"
#include "FakeEutilsServer.h"
#include "TestData.h"

#include "../library/LibraryTestArticles.h"
#include "library/LibraryStore.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>

namespace {

const QString kEfetch = QUrl(QLatin1String(Paths::EFetch)).path();
const QString kEsearch = QUrl(QLatin1String(Paths::ESearch)).path();
const QString kHostileName = QStringLiteral("A\tB\nforged\t9\x1b[31m");

} // namespace

class LibraryCliTest : public QObject
{
    Q_OBJECT

private slots:
    void commands_data()
    {
        // "reviews": four articles, one noted; "hostile": one, under a name and with a note
        // that hold control characters; "damaged"; "damaged articles" (not read by opening); "newer"
        QTest::addColumn<QString>("library");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("out");  // all of it, or "~" + a part
        QTest::addColumn<QByteArray>("err");  // a part, or "^" + its start
        const QByteArray none;
        QTest::newRow("list") << "reviews" << QStringList{"list"} << 0 << QByteArray("Reviews\t4\n") << none;
        QTest::newRow("show as RIS, with the note")
            << "reviews" << QStringList{"show", "Reviews", "--format", "ris"} << 0
            << QByteArray("~N1  - quokka census, table 2\r\n") << none;
        QTest::newRow("show an unknown collection") << "reviews" << QStringList{"show", "Sepsis"} << 1 << none
                                                    << QByteArray("There is no collection named Sepsis.");
        QTest::newRow("search") << "reviews" << QStringList{"search", "quokk*"} << 0 << QByteArray("29632448\n") << none;
        QTest::newRow("search as BibTeX") << "reviews" << QStringList{"search", "QUOKKA", "--format", "bibtex"} << 0
                                          << QByteArray("~  note = {quokka census, table 2}\n}") << none;
        QTest::newRow("add by PMID, DOI and PMCID")
            << "reviews" << QStringList{"add", "Pasted", "30107788", "10.5195/jmla.2018.323", "PMC5886508"} << 0 << none
            << QByteArray("3 articles added to Pasted");
        QTest::newRow("add what PubMed does not know")
            << "" << QStringList{"add", "Pasted", "30107788", "10.9999/none", "junk", "99999999"} << 1 << none
            << QByteArray("1 of 2 articles downloaded\n1 article added to Pasted\nNot found: 10.9999/none, junk, 99999999\n");
        QTest::newRow("add, a later batch fails")
            << "" << QStringList{"add", "Pasted", "30107788", "55555555", "--batch", "1"} << 1 << none
            << QByteArray("1 article added to Pasted\nvexmoor-cli: The download failed: ");
        QTest::newRow("list names on one line")
            << "hostile" << QStringList{"list"} << 0 << QByteArray("A B forged 9[31m\t1\n") << none;
        QTest::newRow("show as CSV, controls in a note written out")
            << "hostile" << QStringList{"show", kHostileName, "--format", "csv"} << 0 << QByteArray("~,\\x1B[2Jwiped\r\n") << none;
        // 30107788 first: each batch then says how many of all arrived so far.
        const QStringList many = QStringList{"add", "Pasted", "30107788"} + QString("1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20").split(' ');
        QTest::newRow("add in the library's batches")
            << "" << many << 1 << none << QByteArray("^1 of 21 articles downloaded\n1 article added to Pasted");
        QTest::newRow("add in batches asked for")
            << "" << many + QStringList{"--batch", "20"} << 1 << none
            << QByteArray("^1 of 21 articles downloaded\n1 of 21 articles downloaded\n1 article added");
        QTest::newRow("an unknown action") << "" << QStringList{"remove", "x"} << 2 << none << QByteArray("unknown action");
        QTest::newRow("add without IDs") << "" << QStringList{"add", "Pasted"} << 2 << none
                                         << QByteArray("add takes a NAME and one or more IDs");
        QTest::newRow("a damaged library") << "damaged" << QStringList{"list"} << 3 << none
                                           << QByteArray("was damaged; it was moved to ");
        QTest::newRow("check") << "reviews" << QStringList{"check"} << 0 << QByteArray("~no damage found") << none;
        QTest::newRow("check, the articles damaged") << "damaged articles" << QStringList{"check"} << 3 << none
                                                     << QByteArray("was damaged; it was moved to ");
        QTest::newRow("a newer library") << "newer" << QStringList{"list"} << 3 << none
                                         << QByteArray("was written by a newer Vexmoor");
    }

    void commands()
    {
        QFETCH(QString, library);
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        QTemporaryDir home;
        QVERIFY(home.isValid());
        const QString path = home.filePath(QStringLiteral("data/Vexmoor/library.sqlite"));
        if (library == QLatin1String("reviews")) {
            READ_TEST_DATA(answer, QStringLiteral(VEXMOOR_TESTDATA_DIR "/efetch/pubmed_result_4_articles.xml"));
            LibraryStore store(path);
            QCOMPARE(store.open(), LibraryStore::OpenState::Opened);
            QVERIFY(store.addArticles(store.createCollection(QStringLiteral("Reviews")).value(), articlesToStore(answer)));
            QVERIFY(store.setNote(29632448, QStringLiteral("quokka census,\ntable 2")));
        } else if (library == QLatin1String("hostile")) {
            READ_TEST_DATA(answer, QStringLiteral(VEXMOOR_TESTDATA_DIR "/efetch/pubmed_result_4_articles.xml"));
            LibraryStore store(path);
            QCOMPARE(store.open(), LibraryStore::OpenState::Opened);
            QVERIFY(store.addArticles(store.createCollection(kHostileName).value(), articlesToStore(answer).mid(0, 1)));
            QVERIFY(store.setNote(30107788, QStringLiteral("\x1b[2Jwiped")));
        } else if (library == QLatin1String("damaged articles")) {
            damageLibraryTable(path, QStringLiteral("article"));
        } else if (!library.isEmpty()) {
            {
                LibraryStore store(path);
                QCOMPARE(store.open(), LibraryStore::OpenState::Opened);
            }
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite));
            if (library == QLatin1String("damaged")) {
                file.write(QByteArray(4096, 'x'));
            } else {
                // SQLite keeps user_version in the header at offset 60.
                file.seek(60);
                file.write(QByteArray("\0\0\0\x63", 4));
            }
        }

        FakeEutilsServer server;
        READ_TEST_DATA(answer, QStringLiteral(VEXMOOR_TESTDATA_DIR "/efetch/pubmed_result_4_articles.xml"));
        server.setHandler(kEfetch, [answer](const QUrl &url) {
            if (FakeEutilsServer::requestedIds(url).contains(QLatin1String("55555555")))
                return FakeResponse::serverError(500);
            const QStringList known{"30107788", "29632448", "29632442", "28670216"};
            QStringList asked;
            for (const QString &id : FakeEutilsServer::requestedIds(url)) {
                if (known.contains(id))
                    asked << id;
            }
            return FakeResponse::xml(FakeEutilsServer::efetchAnswer(asked));
        });
        server.setHandler(kEsearch, [](const QUrl &url) {
            const QString term = QUrlQuery(url).queryItemValue(QStringLiteral("term"), QUrl::FullyDecoded);
            const QString pmid = term == QLatin1String("\"10.5195/jmla.2018.323\"[doi]") ? QStringLiteral("29632442")
                                 : term == QLatin1String("PMC5886508[pmcid]")           ? QStringLiteral("29632448")
                                                                                        : QString();
            return FakeResponse::xml(FakeEutilsServer::esearchAnswer(pmid.isEmpty() ? 0 : 1, 0, 1, [&](int) { return pmid; }));
        });
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
        environment.insert(QStringLiteral("HOME"), home.path());
        const CliRun run = runCli(QStringList{QStringLiteral("library")} + args
                                      + QStringList{QStringLiteral("--eutils"), server.origin().toString()},
                                  {}, environment);
        QVERIFY2(run.exitCode == status, run.err.constData());
        if (out.startsWith('~'))
            QVERIFY2(run.out.contains(out.mid(1)), run.out.constData());
        else
            QCOMPARE(run.out, out);
        if (err.startsWith('^'))
            QVERIFY2(run.err.startsWith(err.mid(1)), run.err.constData());
        else
            QVERIFY2(run.err.contains(err), run.err.constData());
    }
};

QTEST_GUILESS_MAIN(LibraryCliTest)
#include "LibraryCliTest.moc"
