#include "library/LibraryStore.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

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
        const int opened = int(LibraryStore::OpenState::Opened);
        QTest::newRow("no file yet") << QByteArray() << opened << false << false;
        QTest::newRow("empty file") << QByteArray("empty") << opened << false << false;
        QTest::newRow("not a database") << QByteArray("text:PMID- 31746150\n") << opened << true << false;
        QTest::newRow("cut short") << QByteArray("cut") << opened << true << false;
        QTest::newRow("scribbled over") << QByteArray("scribbled") << opened << true << false;
        QTest::newRow("written by a newer build")
            << QByteArray("db:CREATE TABLE later (x);INSERT INTO later VALUES (1);PRAGMA user_version = 99")
            << int(LibraryStore::OpenState::NewerSchema) << false << true;
    }

    void opensWhatItCanTrustAndLeavesTheRest()
    {
        QFETCH(QByteArray, existing);
        QFETCH(int, state);
        QFETCH(bool, movedAside);
        QFETCH(bool, untouched);
        QDir().mkpath(QFileInfo(m_path).absolutePath());
        if (existing == "empty")
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
        QCOMPARE(int(store.open()), state);
        QCOMPARE(!store.movedAsideTo().isEmpty(), movedAside);
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
