// vexmoor-cli library on a library of the test's own (XDG_DATA_HOME), with
// the fake E-utilities server for what it downloads.
#include "CliRun.h"
#include "DamagedLibrary.h"
#include "FakeEutilsServer.h"
#include "TestData.h"

#include "../library/LibraryTestArticles.h"
#include "library/FullTextShelf.h"
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

    // vexmoor-cli fulltext over a library holding the four articles in
    // "Reviews" ("" for an empty one). The fake server: 30107788 is in PMC's
    // open-access subset with its text; 29632448 is not in PMC but Unpaywall
    // has its PDF; 29632442 is closed. With --api-key KEY, which only the
    // E-utilities may see.
    void fulltext_data()
    {
        QTest::addColumn<QString>("library");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("out"); // a part
        QTest::addColumn<QByteArray>("err"); // a part
        QTest::addColumn<QStringList>("written"); // files OUT/... written
        const QByteArray none;
        QTest::newRow("get three, one closed")
            << "reviews" << QStringList{"--get", "30107788", "29632448", "29632442"} << 1
            << QByteArray("29632448\tpdf\tUnpaywall\t") << QByteArray("full text for 2 of 3 articles (1 PMC text, 1 PDF); 1 not open access")
            << QStringList();
        QTest::newRow("get one the library lacks, as JSON")
            << "" << QStringList{"--get", "--collection", "Reading", "30107788", "--format", "json"} << 0
            << QByteArray(R"({"address":)") << QByteArray("1 article added to Reading") << QStringList();
        QTest::newRow("get without a collection to keep it in") << "" << QStringList{"--get", "30107788"} << 2 << none
                                                                 << QByteArray("give --collection NAME") << QStringList();
        QTest::newRow("where, without fetching") << "" << QStringList{"30107788", "29632442"} << 0
                                                 << QByteArray("30107788\tFree full text (PMC)\t") << none << QStringList();
        QTest::newRow("the kept text and a PDF not kept")
            << "kept" << QStringList{"--text", "OUT", "30107788", "29632448"} << 1 << QByteArray("30107788\t")
            << QByteArray("29632448: no full text kept") << QStringList{"30107788.txt"};
        QTest::newRow("search a part of the kept texts") << "kept" << QStringList{"--search", "methods: quokkas"} << 0
                                                         << QByteArray("30107788\t[Quokkas] were counted.\n") << none << QStringList();
        QTest::newRow("two modes") << "" << QStringList{"--get", "--links", "1"} << 2 << none << QByteArray("give one of") << QStringList();
        QTest::newRow("not a PMID") << "" << QStringList{"x1"} << 2 << none << QByteArray("x1 is not a PMID") << QStringList();
    }
    void fulltext()
    {
        QFETCH(QString, library);
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        QFETCH(QStringList, written);
        QTemporaryDir home;
        QVERIFY(home.isValid());
        const QString path = home.filePath(QStringLiteral("data/Vexmoor/library.sqlite"));
        if (!library.isEmpty()) {
            READ_TEST_DATA(answer, QStringLiteral(VEXMOOR_TESTDATA_DIR "/efetch/pubmed_result_4_articles.xml"));
            LibraryStore store(path);
            QCOMPARE(store.open(), LibraryStore::OpenState::Opened);
            QVERIFY(store.addArticles(store.createCollection(QStringLiteral("Reviews")).value(), articlesToStore(answer)));
            FullTextDocument text;
            text.append({TextSection::Methods, TextPassage::Kind::Paragraph, QStringLiteral("Quokkas were counted.")});
            if (library == QLatin1String("kept"))
                QVERIFY(FullTextShelf(store).keepText({.pmid = 30107788, .source = QStringLiteral("PMC")}, text));
        }
        FakeEutilsServer server;
        server.setHandler(kEfetch, [](const QUrl &url) { return FakeResponse::xml(FakeEutilsServer::efetchAnswer(FakeEutilsServer::requestedIds(url))); });
        server.setHandler(QLatin1String(Paths::IdConverter), [](const QUrl &) {
            return FakeResponse::xml(R"({"records": [{"requested-id": "30107788", "pmid": "30107788", "pmcid": "PMC6092810"},)"
                                     R"( {"requested-id": "29632448", "status": "error"}, {"requested-id": "29632442", "status": "error"}]})");
        });
        server.setHandler(QLatin1String(Paths::PmcOaService), [](const QUrl &) {
            return FakeResponse::xml(R"(<OA><records><record id="PMC6092810" license="CC BY"/></records></OA>)");
        });
        READ_TEST_DATA(bioc, QStringLiteral(VEXMOOR_TEST_SOURCE_DIR "/../data/services/bioc/nasaspaceapps_BioC_json_PMC10926278_reserialized.json"));
        server.setHandler(QLatin1String(Paths::BiocJsonPrefix) + QStringLiteral("PMC6092810/unicode"), [bioc](const QUrl &) { return FakeResponse::xml(bioc); });
        const QByteArray origin = server.origin().toString().toUtf8();
        server.setHandler(QStringLiteral("/v2/10.5195/jmla.2018.387"), [origin](const QUrl &) {
            return FakeResponse::xml(R"({"is_oa": true, "oa_status": "green", "best_oa_location": {"url_for_pdf": ")" + origin + R"(/a.pdf"}})");
        });
        READ_TEST_DATA(closed, QStringLiteral(VEXMOOR_TEST_SOURCE_DIR "/../data/services/unpaywall/paperqa_10.1023_a_1007154515475_closed.json"));
        server.setHandler(QStringLiteral("/v2/10.5195/jmla.2018.323"), [closed](const QUrl &) { return FakeResponse::xml(closed); });
        server.setHandler(QStringLiteral("/a.pdf"), [](const QUrl &) { return FakeResponse::xml("%PDF-1.4\n%%EOF\n"); });
        server.setHandler(QLatin1String(Paths::ELinkService), [](const QUrl &) { return FakeResponse::xml("<eLinkResult/>"); });

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
        environment.insert(QStringLiteral("HOME"), home.path());
        args.replaceInStrings(QStringLiteral("OUT"), home.filePath(QStringLiteral("out")));
        const QString origins = server.origin().toString();
        const CliRun run = runCli(QStringList{QStringLiteral("fulltext")} + args
                                      + QStringList{QStringLiteral("--eutils"), origins, QStringLiteral("--services"), origins,
                                                    QStringLiteral("--email"), QStringLiteral("me@example.org"),
                                                    QStringLiteral("--api-key"), QStringLiteral("KEY")},
                                  {}, environment);
        QVERIFY2(run.exitCode == status, run.err.constData());
        QVERIFY2(run.out.contains(out), run.out.constData());
        QVERIFY2(run.err.contains(err), run.err.constData());
        for (const QString &name : written)
            QVERIFY(QFile::exists(home.filePath(QStringLiteral("out/")) + name));
        for (const QUrl &url : server.requestUrls())
            QVERIFY2(url.path().startsWith(QLatin1String("/entrez/eutils/")) || !url.query().contains(QLatin1String("KEY")), qPrintable(url.toString()));
        if (status < 2 && args.contains(QLatin1String("--get"))) {
            LibraryStore store(path);
            QCOMPARE(store.open(), LibraryStore::OpenState::Opened);
            QCOMPARE(store.fullTexts().value().size(), 1 + int(args.contains(QLatin1String("29632448"))));
        }
    }
};

QTEST_GUILESS_MAIN(LibraryCliTest)
#include "LibraryCliTest.moc"
