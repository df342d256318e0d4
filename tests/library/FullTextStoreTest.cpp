// Full texts kept with their articles: a row and a file together, owner-only,
// gone with the last collection that holds the article, copied by a back-up,
// and found again by an offline search of their parts.
#include "LibraryTestArticles.h"
#include "TemporaryLibrary.h"

#include "library/FullTextFiles.h"
#include "library/FullTextShelf.h"

#include <QFile>
#include <QTest>

namespace {

QByteArray answerBytes()
{
    QFile file(QStringLiteral(VEXMOOR_TESTDATA_DIR "/efetch/pubmed_result_4_articles.xml"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

FullTextDocument text(const QString &methods, const QString &results)
{
    FullTextDocument document;
    document.title = QStringLiteral("A kept article");
    document.append({TextSection::Methods, TextPassage::Kind::Paragraph, methods});
    document.append({TextSection::Results, TextPassage::Kind::Paragraph, results});
    return document;
}

} // namespace

class FullTextStoreTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_library = std::make_unique<TemporaryLibrary>();
        QVERIFY(m_library->open());
        m_first = (*m_library)->createCollection(QStringLiteral("first")).value();
        m_second = (*m_library)->createCollection(QStringLiteral("second")).value();
        const QList<ArticleToStore> articles = manyArticles(answerBytes(), 1, 3);
        QVERIFY((*m_library)->addArticles(m_first, articles));
        QVERIFY((*m_library)->addArticles(m_second, articles.mid(1, 1)));
        QVERIFY((*m_library)->setNote(3, QStringLiteral("read this")));
        FullTextShelf shelf(**m_library);
        for (qint64 pmid = 1; pmid <= 3; ++pmid) {
            QVERIFY2(shelf.keep({.pmid = pmid, .kind = FullTextKind::Pdf, .source = QStringLiteral("Unpaywall")}, "%PDF-1.4 " + QByteArray::number(pmid)),
                     qPrintable(shelf.error()));
            QVERIFY2(shelf.keepText({.pmid = pmid, .source = QStringLiteral("PMC")},
                                    text(QStringLiteral("cells were counted %1 times").arg(pmid), QStringLiteral("the counts of cells rose"))),
                     qPrintable(shelf.error()));
        }
    }
    void cleanup() { m_library.reset(); }

    // Which PMIDs still have both files after a change to the collections.
    void filesGoWithTheirArticles_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QList<qint64>>("kept");
        QTest::newRow("nothing") << "" << QList<qint64>{1, 2, 3};
        // 2 is in the second collection too, 3 has a note.
        QTest::newRow("the first collection deleted") << "delete first" << QList<qint64>{2, 3};
        QTest::newRow("removed from the first") << "remove first" << QList<qint64>{2, 3};
        QTest::newRow("both collections deleted") << "delete both" << QList<qint64>{3};
        QTest::newRow("both deleted, then the note cleared") << "delete both, clear note" << QList<qint64>{};
    }
    void filesGoWithTheirArticles()
    {
        QFETCH(QString, change);
        QFETCH(QList<qint64>, kept);
        LibraryStore &store = **m_library;
        if (change.startsWith(QLatin1String("delete")))
            QVERIFY(store.deleteCollection(m_first));
        if (change == QLatin1String("remove first"))
            QVERIFY(store.removeArticles(m_first, {1, 2, 3}));
        if (change.startsWith(QLatin1String("delete both")))
            QVERIFY(store.deleteCollection(m_second));
        if (change.endsWith(QLatin1String("clear note")))
            QVERIFY(store.setNote(3, QString()));
        QList<qint64> withRows;
        const QList<FullTextRow> rows = store.fullTexts().value();
        for (const FullTextRow &row : rows) {
            if (row.kind == FullTextKind::Pdf)
                withRows.append(row.pmid);
        }
        QCOMPARE(withRows, kept);
        QStringList files = QDir(store.fullTextFolder()).entryList(QDir::Files | QDir::Hidden);
        QStringList expected;
        for (const qint64 pmid : kept)
            expected << FullTextFiles::fileName(pmid, FullTextKind::Text) << FullTextFiles::fileName(pmid, FullTextKind::Pdf);
        files.sort();
        expected.sort();
        QCOMPARE(files, expected);
        QCOMPARE(store.searchFullTexts(QStringLiteral("cells")).value().size(), kept.size());
    }

    // "pmid: snippet" of each hit, best first; [ and ] mark the words found.
    void search_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("hits");
        QTest::newRow("any part") << "counted 2" << QStringList{"2: cells were [counted] [2] times"};
        QTest::newRow("one part by its name") << "results: counts" << QStringList{"1: the [counts] of cells rose", "2: the [counts] of cells rose",
                                                                                   "3: the [counts] of cells rose"};
        QTest::newRow("a word not in that part") << "results: counted" << QStringList();
        QTest::newRow("not a part's name stays a word") << "colour: cells" << QStringList();
        QTest::newRow("operators are words") << "\"cells NOT) methods:" << QStringList();
    }
    void search()
    {
        QFETCH(QString, query);
        QFETCH(QStringList, hits);
        const std::optional<QList<FullTextHit>> found = (*m_library)->searchFullTexts(query);
        QVERIFY2(found, qPrintable((*m_library)->error()));
        QStringList read;
        for (const FullTextHit &hit : *found)
            read.append(QString::number(hit.pmid) + QStringLiteral(": ")
                        + QString(hit.snippet).replace(FullTextHit::kHitStart, u'[').replace(FullTextHit::kHitEnd, u']'));
        QCOMPARE(read, hits);
        // The library's search finds them too (a part's name as here).
        if (LibraryStore::isFullTextPart(query))
            QCOMPARE((*m_library)->searchArticles(query).value().size(), hits.size());
    }

    void keptFilesAreTheOwnersAndBackedUp()
    {
        LibraryStore &store = **m_library;
        FullTextShelf shelf(store);
        const std::optional<KeptFullText> kept = shelf.kept(2);
        QVERIFY2(kept && kept->document, qPrintable(shelf.error()));
        QCOMPARE(kept->document->sectionTexts().at(int(TextSection::Methods)), QStringLiteral("cells were counted 2 times"));
        // Read and written by its owner, by no one else.
        QCOMPARE(int(QFile::permissions(kept->path) & 0x0FFF) & 0x00FF, 0);
        QVERIFY(QFile::permissions(kept->path).testFlags(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        const FullTextRow pdf = store.fullTexts({1}).value().first();
        QCOMPARE(pdf.size, 10);
        QCOMPARE(pdf.checksum, QString::fromLatin1(QCryptographicHash::hash("%PDF-1.4 1", QCryptographicHash::Sha256).toHex()));

        const QString backup = m_library->filePath(QStringLiteral("copy.sqlite"));
        QVERIFY2(store.backup(backup), qPrintable(store.error()));
        QCOMPARE(QDir(backup + QStringLiteral(".fulltext")).entryList(QDir::Files).size(), 6);

        // A file lost on disk is said to be missing, and can be kept again.
        QVERIFY(QFile::remove(kept->path));
        QVERIFY(!shelf.kept(2));
        QVERIFY(shelf.error().contains(QStringLiteral("missing")));
        QVERIFY(shelf.keepText({.pmid = 2, .source = QStringLiteral("PMC")}, *kept->document));
        QVERIFY(shelf.kept(2));
    }

private:
    std::unique_ptr<TemporaryLibrary> m_library;
    qint64 m_first = 0;
    qint64 m_second = 0;
};

QTEST_MAIN(FullTextStoreTest)
#include "FullTextStoreTest.moc"
