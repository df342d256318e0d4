// Collections benchmark: a library of 100,000 stored articles made from the
// real records of the shared EFetch answers (each copy under a PMID of its
// own), in a temporary directory.
//
// Reproduce (Release build):
//   cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
//   cmake --build build --target vexmoor-collections-bench
//   build/bench/library/vexmoor-collections-bench [--articles N] [--collection N] [--runs N] [--data DIR]
//
// Measures:
//   (a) adding a collection of --collection (10,000) new articles in one
//       transaction, records and XML, once the library holds the rest;
//   (b) reading that collection back, records and notes, best of --runs:
//       the store's part of showing it in the window;
//   (c) offline searches over the whole library, best of --runs each,
//       the best 9,999 of each as a result tab holds them;
//   (d) the bytes per article of the file once closed;
//   (e) the PMIDs of the library marks read again, all and those an add touched.

#include "BenchRun.h"
#include "RealAnswer.h"

#include "common/Endpoints.h"
#include "entrez/ArticleExtractor.h"
#include "library/LibraryStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

#include <sys/resource.h>

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Wall-clock seconds of `work`; its processor seconds in `cpu` when given,
// since on a busy machine the two part ways.
double secondsOf(const std::function<void()> &work, double *cpu = nullptr)
{
    QElapsedTimer timer;
    const double cpuBefore = cpuSeconds();
    timer.start();
    work();
    if (cpu)
        *cpu = cpuSeconds() - cpuBefore;
    return double(timer.nsecsElapsed()) / 1e9;
}

bool check(bool ok, const LibraryStore &store)
{
    if (!ok)
        std::fprintf(stderr, "failed: %s\n", qPrintable(store.error()));
    return ok;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    int articles = 100000;
    int collectionSize = 10000;
    int runs = 5;
    QString dir = QStringLiteral(VEXMOOR_TESTDATA_DIR "/efetch");
    if (!readBenchArguments(app.arguments().mid(1),
                            {{"--articles", &articles}, {"--collection", &collectionSize}, {"--runs", &runs}, {"--data", &dir}},
                            "vexmoor-collections-bench [--articles N] [--collection N] [--runs N] [--data DIR]"))
        return 2;
    const std::vector<std::string> records = realRecords(dir, false);
    if (records.empty() || collectionSize < 1 || articles < collectionSize || runs < 1) {
        std::fprintf(stderr, "no records in %s\n", qPrintable(dir));
        return 1;
    }

    QTemporaryDir temp;
    const QString path = temp.filePath(QStringLiteral("library.sqlite"));
    auto owned = std::make_unique<LibraryStore>(path);
    LibraryStore &store = *owned;
    if (!check(store.open() == LibraryStore::OpenState::Opened, store))
        return 1;
    // The rest of the library, untimed, a collection at a time.
    qint64 next = 1;
    for (int n = 0; next + collectionSize <= articles; ++n) {
        const std::optional<qint64> id = store.createCollection(QStringLiteral("filler %1").arg(n));
        if (!check(id && store.addArticles(*id, distinctArticles(records, next, collectionSize)), store))
            return 1;
        next += collectionSize;
    }

    const QList<ArticleToStore> added = distinctArticles(records, next, collectionSize);
    const std::optional<qint64> measured = store.createCollection(QStringLiteral("measured"));
    bool ok = false;
    double addCpu = 0;
    const double addSeconds = secondsOf([&] { ok = measured && store.addArticles(*measured, added); }, &addCpu);
    if (!check(ok, store))
        return 1;
    std::printf("library: %lld articles from %zu real records\n", next + collectionSize - 1, records.size());
    std::printf("(a) add %d articles in one transaction       %8.3f s (%.3f s of processor time)\n", collectionSize,
                addSeconds, addCpu);

    double readSeconds = 1e30;
    double readCpu = 1e30;
    qsizetype read = 0;
    for (int run = 0; run < runs; ++run) {
        double cpu = 0;
        readSeconds = std::min(readSeconds, secondsOf([&] { read = store.articles(*measured).value_or(QList<StoredArticle>()).size(); }, &cpu));
        readCpu = std::min(readCpu, cpu);
    }
    std::printf("(b) read a collection of %lld articles        %8.1f ms (%.1f ms of processor time)\n", qlonglong(read),
                readSeconds * 1e3, readCpu * 1e3);

    // Words of the real records: a very common one, a prefix of many, two
    // words, an author typed with the accent the records have, and none.
    for (const char *text : {"cancer", "neuro*", "systematic review", "García", "zzzz"}) {
        double searchSeconds = 1e30;
        double searchCpu = 1e30;
        qsizetype found = 0;
        for (int run = 0; run < runs; ++run) {
            double cpu = 0;
            searchSeconds = std::min(searchSeconds, secondsOf([&] {
                found = store.searchArticles(QString::fromUtf8(text)).value_or(PmidList()).size();
            }, &cpu));
            searchCpu = std::min(searchCpu, cpu);
        }
        std::printf("(c) search %-20s %7lld found    %8.1f ms (%.1f ms of processor time)\n", text, qlonglong(found),
                    searchSeconds * 1e3, searchCpu * 1e3);
    }

    // The library marks of every table, read again after a change: all of
    // them (at start-up), and those of the 10,000 articles an add touched.
    QList<qint64> touched;
    for (const ArticleToStore &article : added)
        touched.append(article.record.text(ArticleRecord::Key::PMID).toLongLong());
    double allMarks = 1e30;
    double touchedMarks = 1e30;
    for (int run = 0; run < runs; ++run) {
        allMarks = std::min(allMarks, secondsOf([&] { store.libraryPmids(); }));
        touchedMarks = std::min(touchedMarks, secondsOf([&] { store.libraryPmidsAmong(touched); }));
    }
    std::printf("(e) the library marks: all %lld        %8.1f ms; the %lld an add touched %.1f ms\n",
                qlonglong(store.libraryPmids().value_or(PmidSet()).size()), allMarks * 1e3, qlonglong(touched.size()),
                touchedMarks * 1e3);

    // Closed, as when the window quits: the log is folded into the file.
    owned.reset();
    const qint64 bytes = QFileInfo(path).size() + QFileInfo(path + QStringLiteral("-wal")).size();
    std::printf("(d) %.1f MB on disk, %lld bytes per article\n", double(bytes) / 1e6,
                qlonglong(bytes / (next + collectionSize - 1)));
    return 0;
}
