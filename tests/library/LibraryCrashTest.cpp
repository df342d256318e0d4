// The library survives a writer killed midway and two writers at once: a
// child process (this program, started again) adds articles batch by batch.
#include "LibraryTestArticles.h"
#include "TestData.h"

#include "library/FullTextFiles.h"
#include "library/FullTextShelf.h"
#include "library/LibraryStore.h"

#include <QProcess>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

constexpr int kBatch = 500;
const char kChildSwitch[] = "--add-as-child";
const char kKeepSwitch[] = "--keep-as-child";
constexpr int kKeptArticles = 200;

QByteArray answerBytes()
{
    QFile file(QStringLiteral(VEXMOOR_TESTDATA_DIR "/efetch/pubmed_result_4_articles.xml"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The child: adds `count` articles from PMID `first` to the collection
// `name`, a batch per transaction, and says "done N" after each.
int addAsChild(const QString &path, const QString &name, qint64 first, int count)
{
    LibraryStore store(path);
    if (store.open() != LibraryStore::OpenState::Opened)
        return 1;
    std::optional<Collection> collection = store.collectionNamed(name);
    const std::optional<qint64> id = collection ? collection->id : store.createCollection(name);
    if (!id)
        return 1;
    // Made before the first write, so that a kill after a batch lands in the next one's transaction.
    const QByteArray answer = answerBytes();
    QList<QList<ArticleToStore>> batches;
    for (qint64 from = first; from < first + count; from += kBatch)
        batches.append(manyArticles(answer, from, kBatch));
    for (qint64 from = first; const QList<ArticleToStore> &batch : std::as_const(batches)) {
        if (!store.addArticles(*id, batch)) {
            std::fprintf(stderr, "%s\n", qPrintable(store.error()));
            return 1;
        }
        from += kBatch;
        std::printf("done %lld\n", qlonglong(from));
        std::fflush(stdout);
    }
    return 0;
}

// The child: keeps a 1 MB PDF for each of kKeptArticles articles, saying
// "kept N" after each, until killed.
int keepAsChild(const QString &path)
{
    LibraryStore store(path);
    if (store.open() != LibraryStore::OpenState::Opened)
        return 1;
    if (!store.addArticles(store.createCollection(QStringLiteral("kept")).value_or(0), manyArticles(answerBytes(), 1, kKeptArticles)))
        return 1;
    FullTextShelf shelf(store);
    const QByteArray pdf = "%PDF-1.7\n" + QByteArray(1024 * 1024, 'x');
    for (qint64 pmid = 1; pmid <= kKeptArticles; ++pmid) {
        if (!shelf.keep({.pmid = pmid, .kind = FullTextKind::Pdf, .source = QStringLiteral("test")}, pdf))
            return 1;
        std::printf("kept %lld\n", qlonglong(pmid));
        std::fflush(stdout);
    }
    return 0;
}

// Rows that break the library's rules, each kind counted.
qint64 broken(const QString &path)
{
    qint64 rows = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
        db.setDatabaseName(path);
        QSqlQuery query(db);
        if (db.open()
            && query.exec(QStringLiteral(
                "SELECT (SELECT count(*) FROM article a LEFT JOIN article_xml x USING (pmid)"
                "        WHERE x.pmid IS NULL OR length(a.record) = 0 OR length(x.xml) = 0)"
                " + (SELECT count(*) FROM collection_article c LEFT JOIN article a USING (pmid) WHERE a.pmid IS NULL)"
                " + (SELECT count(*) FROM article a LEFT JOIN article_text t ON t.rowid = a.pmid WHERE t.rowid IS NULL)"
                " + (SELECT count(*) FROM article_text t LEFT JOIN article a ON a.pmid = t.rowid WHERE a.pmid IS NULL)"
                " + (SELECT count(*) FROM pragma_integrity_check WHERE integrity_check <> 'ok')"))
            && query.next())
            rows = query.value(0).toLongLong();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("check"));
    return rows;
}

} // namespace

class LibraryCrashTest : public QObject
{
    Q_OBJECT

public:
    explicit LibraryCrashTest(QString program) : m_program(std::move(program)) {}

private slots:
    void init() { QVERIFY(m_dir.isValid()); }

    // Killed while adding 10,000 articles: no half article, and every batch
    // the child reported done is there.
    void killedWriterLeavesNoHalfArticle()
    {
        const QString path = m_dir.filePath(QStringLiteral("killed.sqlite"));
        QProcess child;
        child.start(m_program, {QLatin1String(kChildSwitch), path, QStringLiteral("killed"), QStringLiteral("1"),
                                QStringLiteral("10000")});
        QVERIFY(child.waitForStarted());
        qint64 reported = 0;
        while (reported < 3 * kBatch) {
            QVERIFY2(child.waitForReadyRead(60000), child.readAllStandardError().constData());
            for (const QByteArray &line : child.readAllStandardOutput().split('\n')) {
                if (line.startsWith("done "))
                    reported = line.mid(5).toLongLong();
            }
        }
        // In the middle of the next transaction.
        QTest::qWait(20);
        ::kill(pid_t(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished());
        for (const QByteArray &line : child.readAllStandardOutput().split('\n')) {
            if (line.startsWith("done "))
                reported = line.mid(5).toLongLong();
        }

        LibraryStore store(path);
        QCOMPARE(store.open(), LibraryStore::OpenState::Opened);
        QCOMPARE(broken(path), 0);
        const PmidSet held = store.libraryPmids().value();
        for (qint64 pmid = 1; pmid < reported; ++pmid)
            QVERIFY2(held.contains(pmid), qPrintable(QString::number(pmid)));
        QVERIFY2(held.size() < 10000, "the child was killed after it finished");
        QCOMPARE(held.size() % kBatch, 0);
    }

    // The window and vexmoor-cli writing at once: each waits for the other.
    void twoWritersBothSucceed()
    {
        const QString path = m_dir.filePath(QStringLiteral("shared.sqlite"));
        LibraryStore store(path);
        QCOMPARE(store.open(), LibraryStore::OpenState::Opened);
        const qint64 mine = store.createCollection(QStringLiteral("window")).value();
        QProcess child;
        child.start(m_program, {QLatin1String(kChildSwitch), path, QStringLiteral("command line"),
                                QStringLiteral("100001"), QStringLiteral("3000")});
        QVERIFY(child.waitForStarted());
        const QByteArray answer = answerBytes();
        for (qint64 from = 200001; from < 200001 + 3000; from += kBatch) {
            QVERIFY2(store.addArticles(mine, manyArticles(answer, from, kBatch)), qPrintable(store.error()));
            QVERIFY2(store.setNote(from, QStringLiteral("seen")), qPrintable(store.error()));
        }
        QVERIFY(child.waitForFinished(120000));
        QCOMPARE(child.exitCode(), 0);
        QCOMPARE(store.libraryPmids().value().size(), 6000);
        QCOMPARE(broken(path), 0);
    }

    // Killed while keeping full texts: each row has its whole file, each file
    // its row, and no temporary file is left once the library is opened.
    void killedKeeperLeavesNoPartialFile()
    {
        const QString path = m_dir.filePath(QStringLiteral("fulltext.sqlite"));
        QProcess child;
        child.start(m_program, {QLatin1String(kKeepSwitch), path});
        QVERIFY(child.waitForStarted());
        QByteArray said;
        while (!said.contains("kept 5\n")) {
            QVERIFY2(child.waitForReadyRead(60000), child.readAllStandardError().constData());
            said += child.readAllStandardOutput();
        }
        const qint64 killed = child.processId();
        ::kill(pid_t(killed), SIGKILL);
        QVERIFY(child.waitForFinished());
        // What a kill in the middle of a file leaves, whenever this one came.
        QFile partial(QFileInfo(path).absolutePath() + QStringLiteral("/fulltext/.7.pdf.%1.0.partial").arg(killed));
        QVERIFY(partial.open(QIODevice::WriteOnly));
        partial.close();

        LibraryStore store(path);
        QCOMPARE(store.open(), LibraryStore::OpenState::Opened);
        const QList<FullTextRow> rows = store.fullTexts().value();
        QVERIFY(rows.size() >= 5 && rows.size() < kKeptArticles);
        QStringList expected;
        for (const FullTextRow &row : rows) {
            expected.append(FullTextFiles::fileName(row.pmid, row.kind));
            const QFileInfo file(FullTextFiles::path(path, row.pmid, row.kind));
            // The one row committed just before the kill may still lack its file.
            QVERIFY(!file.exists() || file.size() == row.size);
            if (!file.exists())
                expected.removeLast();
        }
        QVERIFY(expected.size() >= rows.size() - 1);
        QStringList files = QDir(store.fullTextFolder()).entryList(QDir::Files | QDir::Hidden);
        files.sort();
        expected.sort();
        QCOMPARE(files, expected);
    }

private:
    QString m_program;
    QTemporaryDir m_dir;
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args.at(1) == QLatin1String(kKeepSwitch))
        return keepAsChild(args.at(2));
    if (args.size() == 6 && args.at(1) == QLatin1String(kChildSwitch))
        return addAsChild(args.at(2), args.at(3), args.at(4).toLongLong(), args.at(5).toInt());
    LibraryCrashTest test(app.applicationFilePath());
    return QTest::qExec(&test, argc, argv);
}

#include "LibraryCrashTest.moc"
