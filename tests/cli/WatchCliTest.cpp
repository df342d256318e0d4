// vexmoor-cli history, saved and watch as a user runs them: a library of
// their own (XDG_DATA_HOME points into a temporary folder) and the fake
// E-utilities server, whose answers each step sets.
#include "CliRun.h"
#include "FakeEutilsServer.h"
#include "library/LibraryStore.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>

namespace {

const QString kESearch = QLatin1String(Paths::ESearch);

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class WatchCliTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_home.isValid());
        m_environment = QProcessEnvironment::systemEnvironment();
        m_environment.insert(QStringLiteral("XDG_DATA_HOME"), m_home.path());
        m_library = m_home.filePath(QStringLiteral("Vexmoor/library.sqlite"));
        m_found.clear();
        m_meanwhile.clear();
        // Each saved search's query is the key of what the server finds for it;
        // "broken" is answered with an error.
        m_server = std::make_unique<FakeEutilsServer>();
        m_server->setHandler(kESearch, [this](const QUrl &url) {
            const QString term = QUrlQuery(url).queryItemValue(QStringLiteral("term"));
            if (const QStringList meanwhile = m_meanwhile.take(term); !meanwhile.isEmpty())
                findElsewhere(meanwhile.first(), meanwhile.mid(1));
            if (term == QLatin1String("broken"))
                return FakeResponse::html(400, "Bad Request");
            return FakeResponse::xml(FakeEutilsServer::esearchAnswer(int(m_found[term].size()), 0, 9999,
                                                                     [&](int i) { return m_found[term].at(i); }));
        });
        for (const QString &name : {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("broken")})
            QCOMPARE(run({QStringLiteral("saved"), QStringLiteral("add"), name, name}).exitCode, 0);
    }
    void cleanup() { QDir(m_home.filePath(QStringLiteral("Vexmoor"))).removeRecursively(); }

    // Steps: "find QUERY PMIDs..." sets what the server finds; "meanwhile
    // QUERY NAME PMIDs..." has another check (the window's) find the PMIDs
    // for NAME while QUERY is being asked; any other step runs vexmoor-cli
    // with those words. Each run's exit status and output
    // (lines joined by spaces) is compared.
    void exitsAsGrepDoes_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("runs");
        QTest::newRow("a first check finds nothing new") << QStringList{"find a 1 2", "watch a b"} << QStringList{"1 "};
        QTest::newRow("new since the last check")
            << QStringList{"find a 1", "watch a", "find a 1 2 3", "watch a", "watch a"} << QStringList{"1 ", "0 3 2", "1 "};
        QTest::newRow("peek leaves them new")
            << QStringList{"find a 1", "watch a", "find a 1 2", "watch a --peek", "saved list", "watch a", "watch a"}
            << QStringList{"1 ", "0 2", "0 a a 1 b b 0 never broken broken 0 never", "0 2", "1 "};
        QTest::newRow("unknown name") << QStringList{"watch a nope"} << QStringList{"2 "};
        QTest::newRow("bad option") << QStringList{"watch --format xml"} << QStringList{"2 "};
        QTest::newRow("a failed check, the others still checked")
            << QStringList{"find a 1", "find b 5", "watch a b", "find a 1 2", "find b 5 6", "watch", "saved list"}
            << QStringList{"1 ", "3 2 6", "0 a a 0 b b 0 broken broken 0 never"};
        QTest::newRow("what another check found meanwhile stays new")
            << QStringList{"find a 1", "find b 5", "watch a b", "find a 1 2", "meanwhile b a 3", "watch a b", "watch a"}
            << QStringList{"1 ", "0 2", "0 3"};
        QTest::newRow("a duplicate name") << QStringList{"saved add a other"} << QStringList{"2 "};
        QTest::newRow("filters kept with the query")
            << QStringList{"saved add f q --years 2015: --type review --type meta-analysis --english", "saved list"}
            << QStringList{"0 ", "0 a a 0 never b b 0 never broken broken 0 never f (q) AND 2015:3000[dp] AND "
                                 "(review[pt] OR meta-analysis[pt]) AND english[la] 0 never"};
        QTest::newRow("filters that cannot be")
            << QStringList{"saved add f q --years 2020:2015", "saved add f q --years 15", "saved add f q --type essay",
                           "saved remove a --humans"}
            << QStringList{"2 ", "2 ", "2 ", "2 "};
    }

    void exitsAsGrepDoes()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, runs);
        QStringList outcomes;
        for (const QString &step : steps) {
            QStringList words = step.split(QLatin1Char(' '));
            if (words[0] == QLatin1String("find")) {
                m_found[words[1]] = words.mid(2);
                continue;
            }
            if (words[0] == QLatin1String("meanwhile")) {
                m_meanwhile.insert(words[1], words.mid(2));
                continue;
            }
            const CliRun result = run(words);
            QString out = QString::fromUtf8(result.out).simplified();
            // The times of the checks are the run's own.
            out.remove(QRegularExpression(QStringLiteral(" \\d{4}-\\d\\d-\\d\\dT[\\d:]+Z")));
            outcomes.append(QString::number(result.exitCode) + QLatin1Char(' ') + out);
        }
        QCOMPARE(outcomes, runs);
    }

    // Written by a newer build: left byte for byte as it was. Damaged: moved
    // aside, byte for byte, and said where. Either way nothing runs.
    void saysWhyTheLibraryCannotBeUsed_data()
    {
        QTest::addColumn<bool>("newer");
        QTest::newRow("newer") << true;
        QTest::newRow("damaged") << false;
    }

    void saysWhyTheLibraryCannotBeUsed()
    {
        QFETCH(bool, newer);
        QFile::remove(m_library);
        if (newer) {
            {
                QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("newer"));
                db.setDatabaseName(m_library);
                QVERIFY(db.open());
                QVERIFY(QSqlQuery(db).exec(QStringLiteral("PRAGMA user_version = 99")));
                QVERIFY(QSqlQuery(db).exec(QStringLiteral("CREATE TABLE later (x)")));
            }
            QSqlDatabase::removeDatabase(QStringLiteral("newer"));
        } else {
            QFile file(m_library);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("PMID- 31746150\n");
        }
        const QByteArray before = fileBytes(m_library);
        if (!newer) {
            const CliRun result = run({QStringLiteral("saved"), QStringLiteral("list")});
            QCOMPARE(result.exitCode, 3);
            const QString movedTo = QString::fromUtf8(result.err).section(QStringLiteral("moved to "), 1).section(QLatin1Char(' '), 0, 0);
            QCOMPARE(fileBytes(movedTo), before);
            // The next command finds the new, empty library.
            QCOMPARE(run({QStringLiteral("saved"), QStringLiteral("list")}).out, QByteArray());
            return;
        }
        for (const QString &command : {QStringLiteral("watch"), QStringLiteral("history"), QStringLiteral("saved list")}) {
            const CliRun result = run(command.split(QLatin1Char(' ')));
            QCOMPARE(result.exitCode, 3);
            QVERIFY2(result.err.contains("newer Vexmoor"), result.err);
            QCOMPARE(fileBytes(m_library), before);
        }
    }

private:
    CliRun run(QStringList words)
    {
        if (words[0] == QLatin1String("watch"))
            words << QStringLiteral("--eutils") << m_server->origin().toString();
        return runCli(words, {}, m_environment);
    }

    // A check of the saved search `name` made beside the command, as the window makes one.
    void findElsewhere(const QString &name, const QStringList &pmids)
    {
        LibraryStore store(m_library);
        QCOMPARE(store.open(), LibraryStore::OpenState::Opened);
        QVERIFY(store.recordCheck(store.savedSearch(name)->id, pmids, QDateTime::currentDateTimeUtc()));
    }

    QTemporaryDir m_home;
    QString m_library;
    QProcessEnvironment m_environment;
    std::unique_ptr<FakeEutilsServer> m_server;
    QHash<QString, QStringList> m_found;
    QHash<QString, QStringList> m_meanwhile;
};

QTEST_GUILESS_MAIN(WatchCliTest)
#include "WatchCliTest.moc"
