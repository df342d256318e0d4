#pragma once

#include "library/LibraryStore.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

// Makes a library of this build at `path`, holding one collection, then
// overwrites the first page of its table `table`, as a bad disk would.
inline void damageLibraryTable(const QString &path, const QString &table)
{
    int page = 0;
    int pageSize = 0;
    {
        LibraryStore store(path);
        QCOMPARE(store.open(), LibraryStore::OpenState::Opened);
        QVERIFY(store.createCollection(QStringLiteral("kept")));
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("damage"));
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery query(db);
        QVERIFY(query.exec(QStringLiteral("PRAGMA page_size")) && query.next());
        pageSize = query.value(0).toInt();
        QVERIFY(query.exec(QStringLiteral("SELECT rootpage FROM sqlite_master WHERE name = '%1'").arg(table)) && query.next());
        page = query.value(0).toInt();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("damage"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(qint64(page - 1) * pageSize));
    QCOMPARE(file.write(QByteArray(pageSize, '\xff')), qint64(pageSize));
}
