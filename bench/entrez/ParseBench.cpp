// Parsing benchmark: a 10,000-article EFetch answer built at run time by
// repeating the real records of the shared EFetch answers.
//
// Reproduce (Release build):
//   cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
//   cmake --build build --target vexmoor-parse-bench
//   build/bench/entrez/vexmoor-parse-bench [--runs N] [--articles N] [--with-stress-record] [--data DIR]
//
// --write FILE writes the answer instead; --json FILE writes its records as
// vexmoor-cli efetch prints them, read from the whole answer at once.
//
// By default the one record above 1 MB (15,000 investigators) is left out of
// the rotation, which gives the ~160 MB answer of a typical large download;
// --with-stress-record puts it in (~250 MB, one copy per 202 records).
//
// Measures, best of N runs:
//   (a) cleanup + repair + parse: replacements, envelope, repair, pugixml
//       parse of every child of the root (a piece at a time, on two threads
//       where the machine has two cores, as extraction does), and, for
//       reference, the same with one tree of the whole answer on one thread;
//   (b) UTF-8 validation + (a) + extraction into ArticleRecords, end to end;
//   (c) the same streamed from a file in /tmp (written for the run, removed
//       after), as vexmoor-cli efetch reads it: pieces are parsed while later
//       chunks are read, and records are counted, not kept;
//   (d) ten times the articles (1.6 GB by default), generated a chunk at a
//       time as they are read, never held whole: time grows linearly, the
//       peak stays that of (c).
// Peak memory is the highest resident size during a run (VmHWM, reset before
// each run) minus the resident size before the run's input copy was made, so
// it counts the input answer, everything allocated and the records built.

#include "cli/CliCommands.h"
#include "common/Endpoints.h"
#include "entrez/ArticleExtractor.h"
#include "entrez/EfetchStream.h"
#include "entrez/ResponseCleanup.h"
#include "entrez/XmlText.h"
#include "BenchRun.h"
#include "RealAnswer.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QTemporaryFile>

#include <algorithm>
#include <cstdio>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr size_t kChunkBytes = size_t(1) << 18;

void report(const char *what, const Measure &m, size_t answerBytes)
{
    std::printf("%-58s %7.3f s  %7.0f MB/s  peak %6.1f MB = %.2fx the answer\n", what, m.seconds,
                double(answerBytes) / 1e6 / m.seconds, double(m.peakBytes) / 1e6, double(m.peakBytes) / double(answerBytes));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    int runs = 5;
    int articles = 10000;
    bool withStressRecord = false;
    QString writeTo;
    QString jsonTo;
    QString dir = QStringLiteral(VEXMOOR_TESTDATA_DIR "/efetch");
    if (!readBenchArguments(app.arguments().mid(1),
                            {{"--runs", &runs}, {"--articles", &articles}, {"--with-stress-record", &withStressRecord},
                             {"--data", &dir}, {"--write", &writeTo}, {"--json", &jsonTo}},
                            "vexmoor-parse-bench [--runs N] [--articles N] [--with-stress-record] [--data DIR] "
                            "[--write FILE] [--json FILE]"))
        return 2;

    const std::vector<std::string> records = realRecords(dir, withStressRecord);
    if (records.empty() || runs < 1 || articles < 1) {
        std::fprintf(stderr, "no records in %s\n", qPrintable(dir));
        return 1;
    }
    const std::string answer = buildAnswer(records, articles);
    if (!writeTo.isEmpty()) {
        std::ofstream(writeTo.toStdString(), std::ios::binary) << answer;
        return 0;
    }
    const std::string elinkBase = elinkBaseUrl(Endpoints());
    if (!jsonTo.isEmpty()) {
        // The records as vexmoor-cli efetch prints them, but read from the
        // whole answer at once: what the streamed reading must equal.
        ArticleList list;
        appendArticlesFromResponse(answer, list, elinkBase);
        std::string out;
        for (const ArticleRecord &record : list)
            appendRecordJson(out, record);
        std::ofstream(jsonTo.toStdString(), std::ios::binary) << out;
        return 0;
    }
    std::printf("answer: %d articles from %zu distinct real records, %.1f MB; best of %d runs\n", articles, records.size(),
                double(answer.size()) / 1e6, runs);

    std::string text;
    size_t children = 0;
    const Measure pieces = measure(
        runs, [&] { text = answer; },
        [&] {
            children = 0;
            std::optional<CleanedResponse> cleaned = CleanedResponse::fromText(std::move(text), kEfetchClosingTag);
            if (cleaned)
                forEachRootChild(*cleaned, [&](pugi::xml_node node) { children += isRecordNode(node); });
        });
    report("(a) cleanup + repair + parse", pieces, answer.size());

    size_t wholeChildren = 0;
    const Measure whole = measure(
        runs, [&] { text = answer; },
        [&] {
            const std::unique_ptr<XmlDocument> document = XMLDocumentForResponse(std::move(text), kEfetchClosingTag);
            wholeChildren = 0;
            if (document) {
                for (pugi::xml_node node : document->root().children())
                    wholeChildren += isRecordNode(node);
            }
        });
    report("    the same, one tree of the whole answer", whole, answer.size());

    QByteArray bytes;
    ArticleList list;
    qsizetype appended = 0;
    const Measure endToEnd = measure(
        runs,
        [&] {
            list = ArticleList();
            bytes = QByteArray::fromStdString(answer);
        },
        [&] { appended = appendArticlesFromBytes(std::move(bytes), list, elinkBase); });
    report("(b) UTF-8 check + cleanup + repair + parse + extraction", endToEnd, answer.size());

    // (c) The answer streamed from a file in chunks, as vexmoor-cli reads it;
    // the file lives in /tmp for the run only. Records are counted, not kept,
    // so the peak is what the reading itself holds.
    qsizetype streamedRecords = 0;
    {
        QTemporaryFile file(QDir::tempPath() + QStringLiteral("/vexmoor-parse-bench-XXXXXX.xml"));
        if (!file.open() || file.write(answer.data(), qint64(answer.size())) != qint64(answer.size()) || !file.flush()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
            return 1;
        }
        std::vector<char> chunk(kChunkBytes);
        const Measure fromFile = measure(
            runs, [] {},
            [&] {
                file.seek(0);
                EfetchStreamReader reader(elinkBase, [](ArticleRecord &&) {});
                for (qint64 n; (n = file.read(chunk.data(), qint64(chunk.size()))) > 0;)
                    reader.append(std::string_view(chunk.data(), size_t(n)));
                streamedRecords = reader.finish();
            });
        report("(c) the same, streamed from a file in 256 KiB chunks", fromFile, answer.size());
    }

    // (d) Ten times as many articles, made as they are read and never held
    // whole: time should grow tenfold and the peak stay that of (c). Above
    // the application's 512 MiB limit for one answer, which is lifted here.
    qsizetype manyRecords = 0;
    const int many = articles * 10;
    size_t manyBytes = 0;
    const Measure generated = measure(
        std::min(runs, 3), [] {},
        [&] {
            EfetchStreamReader reader(elinkBase, [](ArticleRecord &&) {}, SIZE_MAX);
            manyBytes = generateAnswer(records, many, kChunkBytes, [&](std::string_view bytes) { reader.append(bytes); });
            manyRecords = reader.finish();
        });
    char manyLine[96];
    std::snprintf(manyLine, sizeof manyLine, "(d) %d articles (%.1f GB), streamed as made", many, double(manyBytes) / 1e9);
    report(manyLine, generated, manyBytes);

    size_t recordBytes = 0;
    size_t textBytes = 0;
    for (const ArticleRecord &r : list) {
        recordBytes += r.memoryUsage();
        for (int k = 0; k < ArticleRecord::KeyCount; ++k) {
            textBytes += r.utf8(ArticleRecord::Key(k)).size();
            if (ArticleRecord::Key(k) != ArticleRecord::Key::ForeNames) {
                for (std::string_view item : r.itemsUtf8(ArticleRecord::Key(k)))
                    textBytes += item.size();
            }
        }
        for (qsizetype i = 0; i < r.authorCount(); ++i)
            textBytes += r.authorLastnameUtf8(i).size() + r.authorInitialsUtf8(i).size() + r.authorForeNameUtf8(i).size();
    }
    std::printf("records: %zu (pieces), %zu (whole tree), %lld extracted, %lld streamed, %lld of %d streamed as made\n",
                children, wholeChildren, static_cast<long long>(appended), static_cast<long long>(streamedRecords),
                static_cast<long long>(manyRecords), many);
    std::printf("records hold %.1f MB for %.1f MB of text they carry: %.0f bytes per record above the text\n",
                double(recordBytes) / 1e6, double(textBytes) / 1e6,
                appended > 0 ? double(recordBytes - textBytes) / double(appended) : 0.0);
    return children == size_t(appended) && streamedRecords == appended && manyRecords == many ? 0 : 1;
}
