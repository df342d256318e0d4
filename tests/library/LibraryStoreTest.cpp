#include "DamagedLibrary.h"
#include "library/LibraryStore.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// A database written by someone else, with SQL of the test's own.
void makeDatabase(const QString &path, const QStringList &statements)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("maker"));
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery query(db);
        for (const QString &statement : statements)
            QVERIFY2(query.exec(statement), qPrintable(statement));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("maker"));
}

} // namespace

class LibraryStoreTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_dir.isValid()); m_path = m_dir.filePath(QStringLiteral("lib/library.sqlite")); }
    void cleanup() { QDir(m_dir.filePath(QStringLiteral("lib"))).removeRecursively(); }

    void opensWhatItCanTrustAndLeavesTheRest_data()
    {
        QTest::addColumn<QByteArray>("existing"); // "" for no file; "db:" + SQL for a database
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("movedAside");
        QTest::addColumn<bool>("untouched");
        QTest::addColumn<QString>("says"); // in error() when the file is left where it is
        QTest::addColumn<bool>("checkFindsDamage"); // the whole file's check, after the open
        const int opened = int(LibraryStore::OpenState::Opened);
        const int failed = int(LibraryStore::OpenState::Failed);
        QTest::newRow("no file yet") << QByteArray() << opened << false << false << QString() << false;
        QTest::newRow("empty file") << QByteArray("empty") << opened << false << false << QString() << false;
        QTest::newRow("not a database") << QByteArray("text:PMID- 31746150\n") << opened << true << false << QString() << false;
        QTest::newRow("cut short") << QByteArray("cut") << opened << true << false << QString() << false;
        QTest::newRow("scribbled over") << QByteArray("scribbled") << opened << true << false << QString() << false;
        QTest::newRow("this version, a small table damaged")
            << QByteArray("damage:collection") << opened << true << false << QString() << false;
        QTest::newRow("this version, the articles damaged")
            << QByteArray("damage:article") << opened << false << false << QString() << true;
        QTest::newRow("written by a newer build")
            << QByteArray("db:CREATE TABLE later (x);INSERT INTO later VALUES (1);PRAGMA user_version = 99")
            << int(LibraryStore::OpenState::NewerSchema) << false << true << QString() << false;
        // Not read is not damaged.
        QTest::newRow("a folder") << QByteArray("folder") << failed << false << true << QStringLiteral("directory") << false;
        QTest::newRow("no file handle left")
            << QByteArray("handles left:0") << failed << false << true << QStringLiteral("Too many open files") << false;
        // SQLite opens the file, then finds no handle for the log's index.
        QTest::newRow("one file handle left")
            << QByteArray("handles left:1") << failed << false << true << QStringLiteral("cannot be read") << false;
    }

    void opensWhatItCanTrustAndLeavesTheRest()
    {
        QFETCH(QByteArray, existing);
        QFETCH(int, state);
        QFETCH(bool, movedAside);
        QFETCH(bool, untouched);
        QFETCH(QString, says);
        QFETCH(bool, checkFindsDamage);
        QDir().mkpath(QFileInfo(m_path).absolutePath());
        if (existing == "folder")
            QDir().mkpath(m_path);
        else if (existing.startsWith("damage:"))
            damageLibraryTable(m_path, QString::fromLatin1(existing.mid(7)));
        else if (existing.startsWith("handles left:"))
            makeDatabase(m_path, {QStringLiteral("PRAGMA journal_mode = WAL"), QStringLiteral("CREATE TABLE t (x)")});
        else if (existing == "empty")
            writeFile(m_path, {});
        else if (existing.startsWith("text:"))
            writeFile(m_path, existing.mid(5));
        else if (existing.startsWith("db:"))
            makeDatabase(m_path, QString::fromUtf8(existing.mid(3)).split(QLatin1Char(';')));
        else if (existing == "cut" || existing == "scribbled") {
            // A sound database losing its tail, as a full disk or a bad copy leaves it.
            makeDatabase(m_path, {QStringLiteral("CREATE TABLE t (x)"),
                                  QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n"
                                                 " WHERE i < 5000) INSERT INTO t SELECT printf('%0100d', i) FROM n")});
            const QByteArray whole = fileBytes(m_path);
            writeFile(m_path, existing == "cut" ? whole.left(whole.size() / 2)
                                                : whole.left(8192) + QByteArray(4096, '\xff') + whole.mid(8192 + 4096));
        }
        const QByteArray before = fileBytes(m_path);

        LibraryStore store(m_path);
        rlimit files{};
        getrlimit(RLIMIT_NOFILE, &files);
        if (existing.startsWith("handles left:")) {
            // Counted from the lowest free descriptor.
            const int lowest = ::open("/dev/null", O_RDONLY);
            ::close(lowest);
            rlimit few = files;
            few.rlim_cur = rlim_t(lowest + existing.mid(13).toInt());
            setrlimit(RLIMIT_NOFILE, &few);
        }
        const LibraryStore::OpenState opened = store.open();
        setrlimit(RLIMIT_NOFILE, &files);
        QCOMPARE(int(opened), state);
        QCOMPARE(!store.movedAsideTo().isEmpty(), movedAside);
        QVERIFY2(store.error().contains(says), qPrintable(store.error()));
        if (movedAside)
            QCOMPARE(fileBytes(store.movedAsideTo()), before);
        if (untouched) {
            QVERIFY(!store.isOpen());
            QCOMPARE(fileBytes(m_path), before);
            QVERIFY(!QFile::exists(m_path + QStringLiteral("-wal")));
            return;
        }
        QVERIFY(store.isOpen());
        QCOMPARE(store.schemaVersion(), LibraryStore::kSchemaVersion);
        const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup
                                                | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
        QCOMPARE(QFile::permissions(m_path) & others, QFileDevice::Permissions());
        QCOMPARE(LibraryStore::checkFile(m_path).soundness,
                 checkFindsDamage ? LibraryStore::Soundness::Damaged : LibraryStore::Soundness::Sound);
        if (checkFindsDamage) {
            QCOMPARE(store.setAside(), LibraryStore::OpenState::Opened);
            QCOMPARE(fileBytes(store.movedAsideTo()), before);
            QCOMPARE(LibraryStore::checkFile(m_path).soundness, LibraryStore::Soundness::Sound);
        }
    }

    // Every migration runs from the version before it, and a file opened by
    // the build that wrote it stays at its version.
    void migratesOneVersionAtATime()
    {
        for (int version = 0; version <= LibraryStore::kSchemaVersion; ++version) {
            LibraryStore store(m_path);
            QCOMPARE(store.open(version), LibraryStore::OpenState::Opened);
            QCOMPARE(store.schemaVersion(), version);
            QVERIFY(store.movedAsideTo().isEmpty());
        }
    }

private:
    QTemporaryDir m_dir;
    QString m_path;
};

QTEST_GUILESS_MAIN(LibraryStoreTest)
#include "LibraryStoreTest.moc"
