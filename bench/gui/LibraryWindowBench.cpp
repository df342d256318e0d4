// The window with a large library: start-up, and offline searches as the
// window runs them, each with the file in the page cache (warm) and dropped
// from it first (cold), beside the floor measured in the same loop.
// Targets at 100,000 articles: start-up at most 150 ms warm and 500 ms cold;
// a search at most 50 ms from Return to its first rows painted.
//
// Reproduce (Release build):
//   cmake --build build --target vexmoor-library-window-bench
//   QT_QPA_PLATFORM=offscreen build/bench/gui/vexmoor-library-window-bench
//       [--articles N] [--entries N] [--runs N] [--library PATH]
//
// The library holds --articles (100,000) stored articles made from the real
// records of the shared EFetch answers, each copy under a PMID of its own, in
// collections of 10,000, and --entries (100,000) history entries; with
// --library it is kept at PATH and used again by the next run.
//
// Start-up is what main() does: open the library, make the window and wait
// until it is on screen; its floor is the same with an empty library, and
// the reads it needs (the header and schema, the collections, the PMIDs)
// made through SQLite directly. A search is the text typed into the library
// search field and Return, until the new tab's table has painted its first
// rows; its floor is SQLite's own MATCH of the same text, every match read.

#include "BenchRun.h"
#include "BenchWindow.h"
#include "RealAnswer.h"
#include "gui/collections/LibraryNotice.h"
#include "gui/articles/KebNSTableView.h"
#include "gui/mainwindow/ResultTab.h"
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
#include <cstdio>

namespace {

constexpr int kCollectionSize = 10000;

double msSince(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
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
    for (const char *sql : {"PRAGMA user_version", "SELECT count(*) FROM sqlite_master",
                            "SELECT c.id, (SELECT count(*) FROM collection_article a WHERE a.collection = c.id) FROM collection c",
                            "SELECT pmid FROM article INDEXED BY article_pmid",
                            "SELECT query FROM history ORDER BY number DESC LIMIT 500"}) {
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

// Milliseconds from Return in the library search field to the new tab's
// first rows painted.
double searchAsTyped(AppController &controller, const QString &text)
{
    auto *field = controller.window()->findChild<QLineEdit *>(QStringLiteral("librarySearchField"));
    const int tabs = controller.tabCount();
    field->setText(text);
    QElapsedTimer timer;
    timer.start();
    QTest::keyClick(field, Qt::Key_Return);
    while ((controller.tabCount() == tabs || controller.numberOfRowsInTableView() == 0) && timer.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    controller.currentTab()->table()->viewport()->repaint();
    const double ms = msSince(timer);
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
    if (!readBenchArguments(app.arguments().mid(1),
                            {{"--articles", &articles}, {"--entries", &entries}, {"--runs", &runs}, {"--library", &path}},
                            "vexmoor-library-window-bench [--articles N] [--entries N] [--runs N] [--library PATH]")
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
    for (int run = 0; run < runs; ++run) {
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
    QCoreApplication::processEvents();
    for (const char *text : {"cancer", "pat*", "neuro*"}) {
        const QString typed = QString::fromUtf8(text);
        Series searchWarm, searchCold, floorWarm, floorCold;
        int matches = 0;
        searchAsTyped(controller, typed);
        for (int run = 0; run < runs; ++run) {
            dropLibrary(path);
            floorCold.add(bareMatch(path, typed, matches));
            dropLibrary(path);
            searchCold.add(searchAsTyped(controller, typed));
            searchWarm.add(searchAsTyped(controller, typed));
            floorWarm.add(bareMatch(path, typed, matches));
        }
        std::printf("search %-8s %6d matches   warm %7.1f ms (target 50)  cold %7.1f ms;  floor (bare MATCH) warm "
                    "%.1f ms, cold %.1f ms\n",
                    text, matches, searchWarm.median(), searchCold.median(), floorWarm.median(), floorCold.median());
    }
    return 0;
}
