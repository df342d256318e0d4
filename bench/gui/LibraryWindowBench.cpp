// The window with a large library: start-up, and offline searches as the
// window runs them, each with the file in the page cache (warm) and dropped
// from it first (cold), beside the floor measured in the same loop.
// Targets at 100,000 articles: start-up at most 150 ms warm and 500 ms cold;
// a search at most 50 ms from Return to its first rows painted.
//
// Reproduce (Release build):
//   cmake --build build --target vexmoor-library-window-bench
//   QT_QPA_PLATFORM=offscreen build/bench/gui/vexmoor-library-window-bench
//       [--articles N] [--entries N] [--runs N] [--library PATH] [--only start-up|search]
//
// The library holds --articles (100,000) stored articles made from the real
// records of the shared EFetch answers, each copy under a PMID of its own, in
// collections of 10,000, and --entries (100,000) history entries; with
// --library it is kept at PATH and used again by the next run.
//
// Start-up is what main() does: open the library, make the window and wait
// until it is on screen; its floor is the same with an empty library, and
// the reads it needs (the header, the schema and its check, the collections,
// the PMIDs, the recent queries) made through SQLite directly. The searches
// are measured once the window's background check of the file has ended. A search is the text typed into the library
// search field and Return, until the new tab's table has painted its first
// rows; its floor is SQLite's own MATCH of the same text, every match read.

#include "BenchRun.h"
#include "BenchWindow.h"
#include "RealAnswer.h"
#include "gui/collections/LibraryNotice.h"
#include "gui/articles/KebNSTableView.h"
#include "gui/mainwindow/ResultTab.h"
#include "library/LibraryCheck.h"
#include "library/LibraryStore.h"
#include "library/OfflineQuery.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QMainWindow>
#include <QTableView>
#include <QTest>
#include <QWindow>

#include <sqlite3.h>

#include <algorithm>
#include <ctime>
#include <cstdio>

namespace {

constexpr int kCollectionSize = 10000;

double msSince(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

// Processor milliseconds of the whole process (every thread) so far: on a
// machine busy with other work, what a run itself costs, beside its wall time.
double processorMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

void dropLibrary(const QString &path)
{
    for (const QString &suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")}) {
        if (QFileInfo::exists(path + suffix))
            dropFromPageCache(path + suffix);
    }
}

bool fill(const QString &path, int articles, int entries, const QString &data)
{
    const std::vector<std::string> records = realRecords(data, false);
    LibraryStore store(path);
    if (records.empty() || store.open() != LibraryStore::OpenState::Opened)
        return false;
    for (qint64 first = 1; first <= articles; first += kCollectionSize) {
        const int count = int(std::min<qint64>(kCollectionSize, articles - first + 1));
        const std::optional<qint64> id = store.createCollection(QStringLiteral("Collection %1").arg(first / kCollectionSize + 1));
        if (!id || !store.addArticles(*id, distinctArticles(records, first, count)))
            return false;
        std::fprintf(stderr, "\rlibrary: %lld articles", qlonglong(first + count - 1));
    }
    QStringList queries;
    for (int i = 0; i < entries; ++i)
        queries.append(QStringLiteral("query %1[tiab] AND %2[dp]").arg(i % 977).arg(1990 + i % 35));
    std::fprintf(stderr, "\n");
    return store.importQueries(queries);
}

// Milliseconds from opening the library to the window on screen.
double startUp(const BenchAppServices &bench, const QString &path)
{
    QElapsedTimer timer;
    timer.start();
    LibraryStore library(path);
    const std::optional<Alert> alert = LibraryNotice::alertFor(library, library.open());
    AppServices services = bench.services();
    services.library = library.isOpen() ? &library : nullptr;
    AppController controller(services);
    controller.awakeFromNib();
    while (!(controller.window()->windowHandle() && controller.window()->windowHandle()->isExposed())
           && timer.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    const double ms = msSince(timer);
    if (alert || !services.library)
        std::fprintf(stderr, "the library was not opened as it is: %s\n", qPrintable(library.error()));
    return ms;
}

// Milliseconds of the reads start-up needs, made through SQLite directly.
double startUpReads(const QString &path)
{
    QElapsedTimer timer;
    timer.start();
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    for (const char *sql : {"PRAGMA user_version", "SELECT count(*) FROM sqlite_master", "PRAGMA quick_check(collection)",
                            "SELECT id, name, created, last_used, size FROM collection",
                            "SELECT pmid FROM article INDEXED BY article_pmid",
                            "SELECT query FROM history ORDER BY number DESC LIMIT 20"}) {
        sqlite3_stmt *statement = nullptr;
        sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
        while (sqlite3_step(statement) == SQLITE_ROW) {
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return msSince(timer);
}

// Milliseconds of SQLite's own MATCH of `text`, every match read; and how many.
double bareMatch(const QString &path, const QString &text, int &matches)
{
    QElapsedTimer timer;
    timer.start();
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt *statement = nullptr;
    sqlite3_prepare_v2(db, "SELECT rowid FROM article_text WHERE article_text MATCH ?", -1, &statement, nullptr);
    const QByteArray match = OfflineQuery::fromUserText(text).value_or(QString()).toUtf8();
    sqlite3_bind_text(statement, 1, match.constData(), int(match.size()), SQLITE_TRANSIENT);
    matches = 0;
    while (sqlite3_step(statement) == SQLITE_ROW)
        ++matches;
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return msSince(timer);
}

// Sees the first paint of a table, in a tab opened since it was made, that
// shows rows: what the event loop paints when it gets to it.
class FirstRowsPainted : public QObject
{
public:
    explicit FirstRowsPainted(AppController &controller) : m_controller(controller), m_tabs(controller.tabCount())
    {
        qApp->installEventFilter(this);
    }
    ~FirstRowsPainted() override { qApp->removeEventFilter(this); }
    bool painted = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !painted && m_controller.tabCount() > m_tabs) {
            const QAbstractItemView *table = m_controller.currentTab()->table();
            painted = watched == table->viewport() && table->model()->rowCount() > 0;
        }
        return false;
    }

private:
    AppController &m_controller;
    const int m_tabs;
};

// Milliseconds from Return in the library search field to the new tab's
// first rows painted; the processor's in `cpu`.
double searchAsTyped(AppController &controller, const QString &text, double &cpu)
{
    auto *field = controller.window()->findChild<QLineEdit *>(QStringLiteral("librarySearchField"));
    field->setText(text);
    FirstRowsPainted rows(controller);
    QElapsedTimer timer;
    timer.start();
    const double cpuBefore = processorMs();
    QTest::keyClick(field, Qt::Key_Return);
    while (!rows.painted && timer.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double ms = msSince(timer);
    cpu = processorMs() - cpuBefore;
    controller.closeTab(controller.tabCount() - 1);
    return ms;
}

struct Series
{
    std::vector<double> ms;
    void add(double value) { ms.push_back(value); }
    double median()
    {
        std::sort(ms.begin(), ms.end());
        return ms.empty() ? 0 : ms[ms.size() / 2];
    }
};

} // namespace

int main(int argc, char *argv[])
{
    preferOffscreenPlatform();
    QApplication app(argc, argv);
    int articles = 100000;
    int entries = 100000;
    int runs = 5;
    QString path;
    QString only; // "start-up" or "search", to profile one of them
    if (!readBenchArguments(app.arguments().mid(1),
                            {{"--articles", &articles}, {"--entries", &entries}, {"--runs", &runs}, {"--library", &path},
                             {"--only", &only}},
                            "vexmoor-library-window-bench [--articles N] [--entries N] [--runs N] [--library PATH] "
                            "[--only start-up|search]")
        || runs < 1)
        return 2;
    QTemporaryDir dir;
    if (path.isEmpty())
        path = dir.filePath(QStringLiteral("library.sqlite"));
    if (!QFileInfo::exists(path) && !fill(path, articles, entries, QStringLiteral(VEXMOOR_TESTDATA_DIR "/efetch"))) {
        std::fprintf(stderr, "the library could not be made at %s\n", qPrintable(path));
        return 1;
    }
    const QString empty = dir.filePath(QStringLiteral("empty.sqlite"));
    LibraryStore(empty).open();
    std::printf("library: %.0f MB, %s\n", double(QFileInfo(path).size()) / 1e6, qPrintable(path));

    const BenchAppServices bench({.online = false});
    Series warm, cold, emptyLibrary, readsWarm, readsCold;
    startUp(bench, path); // the program's own first time: its libraries loaded
    for (int run = 0; run < runs && only != QLatin1String("search"); ++run) {
        dropLibrary(path);
        readsCold.add(startUpReads(path));
        dropLibrary(path);
        cold.add(startUp(bench, path));
        warm.add(startUp(bench, path));
        readsWarm.add(startUpReads(path));
        emptyLibrary.add(startUp(bench, empty));
    }
    std::printf("start-up, median of %d      warm %7.1f ms (target 150)   cold %7.1f ms (target 500)\n", runs,
                warm.median(), cold.median());
    std::printf("  floor: empty library %7.1f ms; its reads through SQLite: warm %.1f ms, cold %.1f ms\n",
                emptyLibrary.median(), readsWarm.median(), readsCold.median());

    LibraryStore library(path);
    library.open();
    AppServices services = bench.services();
    services.library = &library;
    AppController controller(services);
    controller.awakeFromNib();
    controller.window()->resize(1200, 800);
    controller.window()->show();
    // The searches of a window in use, not of one still reading its library
    // through in the background after start-up.
    if (auto *check = controller.findChild<LibraryCheck *>(); check && only != QLatin1String("start-up")) {
        QEventLoop wait;
        QObject::connect(check, &LibraryCheck::finished, &wait, &QEventLoop::quit);
        QElapsedTimer checking;
        checking.start();
        wait.exec();
        std::printf("the window's background check of the library: %.1f s\n", double(checking.elapsed()) / 1e3);
    }
    for (const char *text : {"cancer", "pat*", "neuro*"}) {
        if (only == QLatin1String("start-up"))
            break;
        const QString typed = QString::fromUtf8(text);
        Series searchWarm, searchCold, floorWarm, floorCold, cpuWarm;
        int matches = 0;
        double cpu = 0;
        searchAsTyped(controller, typed, cpu);
        for (int run = 0; run < runs; ++run) {
            dropLibrary(path);
            floorCold.add(bareMatch(path, typed, matches));
            dropLibrary(path);
            searchCold.add(searchAsTyped(controller, typed, cpu));
            searchWarm.add(searchAsTyped(controller, typed, cpu));
            cpuWarm.add(cpu);
            floorWarm.add(bareMatch(path, typed, matches));
        }
        std::printf("search %-8s %6d matches   warm %7.1f ms (target 50; processor %.1f ms)  cold %7.1f ms;  floor (bare "
                    "MATCH) warm %.1f ms, cold %.1f ms\n",
                    text, matches, searchWarm.median(), cpuWarm.median(), searchCold.median(), floorWarm.median(),
                    floorCold.median());
    }
    return 0;
}
