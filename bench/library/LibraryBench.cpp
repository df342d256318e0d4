// The library's history and saved searches at the sizes a long review
// reaches.
//
// Reproduce (Release build):
//   cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
//   cmake --build build --target vexmoor-library-bench
//   build/bench/library/vexmoor-library-bench [--runs N] [--entries N] [--saved N]
//
// Measures, best of N runs:
//   (a) listing every entry of a history of 100,000 from the store, as the
//       history window does when it opens (one query, entries read into
//       HistoryEntry values);
//       and its newest 500 entries alone, the first page the window shows;
//   (b) filtering those entries by a typed text, keystroke by keystroke
//       ("a", "as", ... "asthma"), each narrowing the last, the worst
//       keystroke of the best run reported, and the filter's making, once
//       per list;
//   (c) checking 50 saved searches against the fake E-utilities server on
//       127.0.0.1, without an API key: the total time, and the most requests
//       that arrived within any one second (the service allows 3);
//   (d) writing the search log of the whole history as CSV to a file, as
//       History > Export Search Log does: time and peak memory.

#include "BenchRun.h"
#include "FakeEutilsServer.h"
#include "export/ExportFile.h"
#include "library/HistoryFilter.h"
#include "library/LibraryStore.h"
#include "library/SavedSearchCheck.h"
#include "library/SearchLog.h"

#include <QCoreApplication>

#include <functional>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>

namespace {

// Processor seconds `work` takes: on a machine busy with other work, what the
// run itself costs, beside the wall time measure() reports.
double cpuSeconds(const std::function<void()> &work)
{
    const std::clock_t start = std::clock();
    work();
    return double(std::clock() - start) / CLOCKS_PER_SEC;
}

// What the history window shows before it reads the rest.
constexpr int kFirstPage = 500;

const char *const kWords[] = {"asthma", "copd", "child", "inhaled", "corticosteroids", "randomized", "trial", "cohort",
                              "mortality", "exacerbation", "adult", "biologic", "eosinophil", "wheeze", "smoking"};

// Queries of a few words and tags, as typed over months of searching.
QStringList queries(int count)
{
    QStringList list;
    list.reserve(count);
    const int words = int(std::size(kWords));
    for (int i = 0; i < count; ++i) {
        list.append(QStringLiteral("%1[tiab] AND (%2 OR %3[mh]) AND %4:%5[dp]")
                        .arg(QLatin1String(kWords[i % words]), QLatin1String(kWords[(i / words) % words]),
                             QLatin1String(kWords[(i / 7) % words]))
                        .arg(1990 + i % 30)
                        .arg(2000 + i % 25));
    }
    return list;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    int runs = 5;
    int entries = 100000;
    int saved = 50;
    if (!readBenchArguments(app.arguments().mid(1), {{"--runs", &runs}, {"--entries", &entries}, {"--saved", &saved}},
                            "vexmoor-library-bench [--runs N] [--entries N] [--saved N]"))
        return 2;
    QTemporaryDir dir;
    LibraryStore store(dir.filePath(QStringLiteral("library.sqlite")));
    if (store.open() != LibraryStore::OpenState::Opened || !store.importQueries(queries(entries))) {
        std::fprintf(stderr, "%s\n", qPrintable(store.error()));
        return 1;
    }

    // (d) first, while the process holds nothing else.
    const QString logPath = dir.filePath(QStringLiteral("log.csv"));
    const Measure log = measure(runs, [] {}, [&] {
        writeFileAtomically(logPath, [&](QIODevice &file) {
            return SearchLog::write(
                SearchLog::Format::Csv, [&](const auto &each) { return store.forEachHistoryEntry({}, each); },
                [&](const QByteArray &bytes) { return file.write(bytes) == bytes.size(); });
        });
    });
    const double logCpu = cpuSeconds([&] {
        writeFileAtomically(logPath, [&](QIODevice &file) {
            return SearchLog::write(
                SearchLog::Format::Csv, [&](const auto &each) { return store.forEachHistoryEntry({}, each); },
                [&](const QByteArray &bytes) { return file.write(bytes) == bytes.size(); });
        });
    });
    const qint64 logBytes = QFileInfo(logPath).size();

    QList<HistoryEntry> listed;
    const Measure list = measure(runs, [&] { listed.clear(); }, [&] { listed = *store.history(); });
    const double listCpu = cpuSeconds([&] { listed = *store.history(); });
    std::printf("(a) list %lld history entries from the store: %6.1f ms (processor %6.1f ms), peak %6.1f MB\n",
                qlonglong(listed.size()), list.seconds * 1e3, listCpu * 1e3, double(list.peakBytes) / 1e6);

    QList<HistoryEntry> page;
    const Measure first = measure(runs, [&] { page.clear(); }, [&] { page = *store.historyPage(kFirstPage); });
    const double firstCpu = cpuSeconds([&] { page = *store.historyPage(kFirstPage); });
    std::printf("(a) its newest %lld, the window's first page:      %6.1f ms (processor %6.1f ms)\n",
                qlonglong(page.size()), first.seconds * 1e3, firstCpu * 1e3);

    // The answers' translations, as long as PubMed writes them, in memory only.
    for (HistoryEntry &entry : listed)
        entry.translation = entry.effectiveQuery + QStringLiteral(" AND (\"asthma\"[MeSH Terms] OR \"asthma\"[All Fields])");
    HistoryFilter filter;
    const Measure make = measure(runs, [] {}, [&] { filter = HistoryFilter(listed); });
    const double makeCpu = cpuSeconds([&] { filter = HistoryFilter(listed); });
    // Typed letter by letter, as a user types: each keystroke narrows the last.
    double worst = 1e30;
    double worstCpu = 1e30;
    qsizetype matches = 0;
    for (int run = 0; run < runs; ++run) {
        filter.matching({});
        double slowest = 0;
        double slowestCpu = 0;
        for (int typed = 1; typed <= 6; ++typed) {
            const QString text = QStringLiteral("asthma").left(typed);
            QElapsedTimer keystroke;
            keystroke.start();
            slowestCpu = std::max(slowestCpu, cpuSeconds([&] { matches = filter.matching(text).size(); }));
            slowest = std::max(slowest, double(keystroke.nsecsElapsed()) / 1e9);
        }
        worst = std::min(worst, slowest);
        worstCpu = std::min(worstCpu, slowestCpu);
    }
    std::printf("(b) filter them by a typed text: made in %6.1f ms (processor %6.1f ms) once, worst keystroke %6.1f ms "
                "(processor %6.1f ms), %lld match \"asthma\"\n",
                make.seconds * 1e3, makeCpu * 1e3, worst * 1e3, worstCpu * 1e3, qlonglong(matches));

    std::printf("(d) the search log of all of them as CSV, row by row to a file: %6.1f ms (processor %6.1f ms), "
                "peak %6.1f MB, %.1f MB written\n",
                log.seconds * 1e3, logCpu * 1e3, double(log.peakBytes) / 1e6, double(logBytes) / 1e6);

    FakeEutilsServer server;
    server.serveEsearch(40);
    for (int i = 0; i < saved; ++i) {
        SavedSearch search;
        search.name = QStringLiteral("saved %1").arg(i);
        search.query = queries(saved).at(i);
        store.addSavedSearch(search);
    }
    SavedSearchCheck check(store, {server.endpoints(), {}, {}, {}});
    QEventLoop loop;
    int failed = 0;
    QObject::connect(&check, &SavedSearchCheck::failed, [&] { ++failed; });
    QObject::connect(&check, &SavedSearchCheck::finished, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    check.start(*store.savedSearches());
    loop.exec();
    std::printf("(c) check %d saved searches: %6.2f s, at most %d requests within a second, %d failed\n", saved,
                double(clock.elapsed()) / 1e3, server.mostRequestsWithin(1000), failed);
    return failed == 0 ? 0 : 1;
}
