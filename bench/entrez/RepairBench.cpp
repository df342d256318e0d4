// Repair benchmark: a hostile EFetch answer whose one title is a long run of
// characters the repair must escape, "<" in one case and "&" in the other.
//
// Reproduce (Release build):
//   cmake --build build --target vexmoor-repair-bench
//   build/bench/entrez/vexmoor-repair-bench [--mib N] [--runs N] [--data DIR]
//
// The answer is the first record of the real EFetch answers in DIR with its
// ArticleTitle text replaced by N MiB (default 32) of the character. Measures,
// best time and highest peak of the runs:
//   (a) the repair alone: the scan and the repaired copy;
//   (b) UTF-8 check + cleanup + repair + parse + extraction, as the window
//       does with a downloaded answer.
// Peak memory is the highest resident size during a run (VmHWM, reset before
// each run) minus the resident size before the run's input copy was made.

#include "common/Endpoints.h"
#include "entrez/ArticleExtractor.h"
#include "entrez/XmlRepair.h"
#include "BenchRun.h"
#include "RealAnswer.h"

#include <QByteArray>
#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

void report(const char *what, const Measure &m, size_t answerBytes)
{
    std::printf("  %-52s %7.3f s  peak %7.1f MB = %5.2fx the answer\n", what, m.seconds, double(m.peakBytes) / 1e6,
                double(m.peakBytes) / double(answerBytes));
}

// The record with its title's text replaced by `length` copies of `c`.
std::string hostileAnswer(const std::string &record, char c, size_t length)
{
    static const std::string open = "<ArticleTitle>", close = "</ArticleTitle>";
    const size_t from = record.find(open);
    const size_t to = record.find(close, from);
    std::string answer = "<?xml version=\"1.0\" ?>\n<PubmedArticleSet>\n";
    answer.append(record, 0, from + open.size());
    answer.append(length, c);
    answer.append(record, to, std::string::npos);
    answer += "\n</PubmedArticleSet>\n";
    return answer;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    int runs = 3;
    qint64 mib = 32;
    QString dir = QStringLiteral(VEXMOOR_TESTDATA_DIR "/efetch");
    if (!readBenchArguments(app.arguments().mid(1), {{"--mib", &mib}, {"--runs", &runs}, {"--data", &dir}},
                            "vexmoor-repair-bench [--mib N] [--runs N] [--data DIR]"))
        return 2;
    const std::vector<std::string> records = realRecords(dir, false);
    const auto titled = std::find_if(records.begin(), records.end(),
                                     [](const std::string &r) { return r.find("</ArticleTitle>") != std::string::npos; });
    if (titled == records.end() || runs < 1 || mib < 1) {
        std::fprintf(stderr, "no record with a title in %s\n", qPrintable(dir));
        return 1;
    }
    const std::string elinkBase = elinkBaseUrl(Endpoints());
    int status = 0;
    for (const char c : {'<', '&'}) {
        const std::string answer = hostileAnswer(*titled, c, size_t(mib) << 20);
        std::printf("%lld MiB of '%c' in one title, answer %.1f MB; best of %d runs\n", static_cast<long long>(mib), c,
                    double(answer.size()) / 1e6, runs);

        size_t repairedSize = 0;
        const Measure repair = measure(
            runs, [] {},
            [&] {
                const XmlRepair scan(answer);
                repairedSize = scan.repaired().size();
            });
        report("(a) repair: scan and repaired copy", repair, answer.size());

        QByteArray bytes;
        ArticleList list;
        const Measure endToEnd = measure(
            runs,
            [&] {
                list = ArticleList();
                bytes = QByteArray::fromStdString(answer);
            },
            [&] { appendArticlesFromBytes(std::move(bytes), list, elinkBase); });
        report("(b) UTF-8 check + cleanup + repair + parse + extraction", endToEnd, answer.size());
        const size_t titleLength = list.size() == 1 ? list[0].utf8(ArticleRecord::Key::Title).size() : 0;
        std::printf("  repaired %.1f MB; title of %zu bytes\n", double(repairedSize) / 1e6, titleLength);
        if (titleLength != size_t(mib) << 20)
            status = 1;
    }
    return status;
}
