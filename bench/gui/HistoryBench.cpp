// The history window over a history of 100,000 searches: the time from
// asking for it to its first paint (reading the newest page from the library,
// the model, the window's layout and paint), and the time of each keystroke
// typed into its filter (the filter, the model's reset, the table's repaint).
// Targets: at most 100 ms to open, at most 30 ms a keystroke.
//
// Reproduce (Release build):
//   cmake --build build --target vexmoor-history-bench
//   QT_QPA_PLATFORM=offscreen build/bench/gui/vexmoor-history-bench [--entries N] [--runs N]
//
// The library is a temporary file filled in one transaction with queries of
// varied words, so that a typed word narrows them as a real history would,
// each with a count and a translation as long as PubMed writes them.

#include "BenchRun.h"
#include "BenchWindow.h"
#include "gui/history/HistoryTableModel.h"
#include "gui/history/HistoryActions.h"
#include "gui/history/HistoryWindow.h"
#include "library/LibraryStore.h"

#include <QApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {
const char *const kWords[] = {"cancer", "crispr", "p53", "insulin", "sepsis", "malaria", "asthma", "stroke",
                              "covid-19", "microbiome", "statin", "dementia", "obesity", "tuberculosis"};

QStringList queries(int count)
{
    QStringList list;
    list.reserve(count);
    const int words = int(std::size(kWords));
    for (int i = 0; i < count; ++i)
        list.append(QStringLiteral("%1[tiab] AND %2 AND %3[dp]")
                        .arg(QLatin1String(kWords[i % words]), QLatin1String(kWords[(i / words) % words]))
                        .arg(1990 + i % 35));
    return list;
}

// Every entry answered, in one statement: a transaction per entry, as the
// window records them, would take the bench an hour.
bool answerAll(const QString &path)
{
    bool done = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("answers"));
        db.setDatabaseName(path);
        done = db.open()
               && QSqlQuery(db).exec(QStringLiteral(
                   "UPDATE history SET result_count = number % 9973, translation = '(' || effective_query"
                   " || ') AND (\"humans\"[MeSH Terms] OR \"humans\"[All Fields]) AND (\"english\"[Language])'"));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("answers"));
    return done;
}

double elapsedMs(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}
} // namespace

int main(int argc, char *argv[])
{
    preferOffscreenPlatform();
    QApplication app(argc, argv);
    int entries = 100000;
    int runs = 5;
    if (!readBenchArguments(app.arguments().mid(1), {{"--entries", &entries}, {"--runs", &runs}},
                            "vexmoor-history-bench [--entries N] [--runs N]"))
        return 2;
    QTemporaryDir dir;
    LibraryStore store(dir.filePath(QStringLiteral("library.sqlite")));
    if (store.open() != LibraryStore::OpenState::Opened || !store.importQueries(queries(entries)) || !answerAll(store.path())) {
        std::fprintf(stderr, "the library could not be filled: %s\n", qPrintable(store.error()));
        return 1;
    }

    double bestOpen = 1e30, bestRead = 1e30, bestModel = 1e30, bestWhole = 1e30, bestLongestTurn = 1e30;
    QList<double> keystrokes;
    for (int run = 0; run < runs; ++run) {
        HistoryWindow window;
        double readMs = 0, modelMs = 0;
        // As the window reads it: the newest page at once, then the older
        // ones a page per turn of the event loop, the whole shown at the end.
        QList<HistoryEntry> all;
        const double openMs = elapsedMs([&] {
            readMs = elapsedMs([&] { all = *store.historyPage(HistoryActions::kFirstHistoryPage); });
            modelMs = elapsedMs([&] { window.setEntries(all); });
            window.present();
            app.processEvents();
        });
        double longestTurn = 0;
        const double wholeMs = openMs + elapsedMs([&] {
            for (bool more = true; more;) {
                longestTurn = std::max(longestTurn, elapsedMs([&] {
                    const QList<HistoryEntry> page = *store.historyPage(HistoryActions::kOlderHistoryPage, all.constLast().number);
                    all += page;
                    more = page.size() == HistoryActions::kOlderHistoryPage;
                }));
            }
            longestTurn = std::max(longestTurn, elapsedMs([&] { window.setEntries(std::move(all)); }));
        });
        bestOpen = std::min(bestOpen, openMs);
        bestRead = std::min(bestRead, readMs);
        bestModel = std::min(bestModel, modelMs);
        bestWhole = std::min(bestWhole, wholeMs);
        bestLongestTurn = std::min(bestLongestTurn, longestTurn);
        // A user types "crispr", then clears the field letter by letter.
        const QString word = QStringLiteral("crispr");
        for (qsizetype typed = 1; typed <= word.size(); ++typed)
            keystrokes.append(elapsedMs([&] {
                window.model().setFilterText(word.left(typed));
                window.repaint();
            }));
        for (qsizetype typed = word.size() - 1; typed >= 0; --typed)
            keystrokes.append(elapsedMs([&] {
                window.model().setFilterText(word.left(typed));
                window.repaint();
            }));
    }
    std::sort(keystrokes.begin(), keystrokes.end());
    std::printf("history of %d entries: window open %.1f ms (reading its newest page %.1f ms, model and filter %.1f ms), "
                "best of %d\n",
                entries, bestOpen, bestRead, bestModel, runs);
    std::printf("the whole history shown after %.1f ms, the window held at most %.1f ms at a time\n", bestWhole,
                bestLongestTurn);
    std::printf("filter keystrokes: median %.2f ms, worst %.2f ms over %lld\n", keystrokes.at(keystrokes.size() / 2),
                keystrokes.last(), static_cast<long long>(keystrokes.size()));
    return 0;
}
