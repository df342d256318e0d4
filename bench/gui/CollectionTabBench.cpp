// A collection of 10,000 articles opened from the Collections dock as a tab:
// the time from Return on the collection to the table laid out and painted
// with its rows, best and median of --runs. Target: at most 150 ms.
//
// Reproduce (Release build):
//   cmake --build build --target vexmoor-collection-tab-bench
//   QT_QPA_PLATFORM=offscreen build/bench/gui/vexmoor-collection-tab-bench [--articles N] [--runs N]
//
// The library is a temporary file holding one collection made from the real
// records of the shared EFetch answers, each copy under a PMID of its own.

#include "BenchRun.h"
#include "BenchWindow.h"
#include "RealAnswer.h"
#include "entrez/ArticleExtractor.h"
#include "library/LibraryStore.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QMainWindow>
#include <QTest>

#include <algorithm>
#include <cstdio>


int main(int argc, char *argv[])
{
    preferOffscreenPlatform();
    QApplication app(argc, argv);
    int articles = 10000;
    int runs = 10;
    if (!readBenchArguments(app.arguments().mid(1), {{"--articles", &articles}, {"--runs", &runs}},
                            "vexmoor-collection-tab-bench [--articles N] [--runs N]"))
        return 2;
    const std::vector<std::string> records = realRecords(QStringLiteral(VEXMOOR_TESTDATA_DIR "/efetch"), false);
    QTemporaryDir dir;
    LibraryStore library(dir.filePath(QStringLiteral("library.sqlite")));
    const std::optional<qint64> id = library.open() == LibraryStore::OpenState::Opened
        ? library.createCollection(QStringLiteral("Bench"))
        : std::nullopt;
    if (records.empty() || runs < 1 || !id || !library.addArticles(*id, distinctArticles(records, 1, articles))) {
        std::fprintf(stderr, "no library: %s\n", qPrintable(library.error()));
        return 1;
    }

    const BenchAppServices bench({.online = false});
    AppServices services = bench.services();
    services.library = &library;
    AppController controller(services);
    controller.awakeFromNib();
    controller.window()->resize(1200, 800);
    QCoreApplication::processEvents();
    auto *list = controller.window()->findChild<QListWidget *>(QStringLiteral("collectionList"));
    std::vector<double> times;
    QElapsedTimer timer;
    for (int run = 0; run < runs; ++run) {
        list->setCurrentRow(0);
        timer.start();
        QTest::keyClick(list, Qt::Key_Return);
        // The events the new tab queues: its layout and one paint.
        QCoreApplication::processEvents();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (controller.numberOfRowsInTableView() != articles) {
            std::fprintf(stderr, "the tab shows %d articles\n", controller.numberOfRowsInTableView());
            return 1;
        }
        controller.closeTab(controller.tabCount() - 1);
    }
    std::sort(times.begin(), times.end());
    std::printf("collection of %d articles opened as a tab\n", articles);
    std::printf("best                    %7.1f ms\n", times.front());
    std::printf("median                  %7.1f ms  (target 150 ms)\n", times[times.size() / 2]);
    return times[times.size() / 2] <= 150.0 ? 0 : 1;
}
