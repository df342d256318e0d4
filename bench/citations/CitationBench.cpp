// Formats the rich citations of 10,000 records and writes them as RTF, the
// work of copying a whole large result table. Target: at most 0.2 s.
//
//   bench_citations [records] [repetitions]

#include "citations/Citation.h"
#include "citations/HtmlWriter.h"
#include "citations/RtfWriter.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Key = ArticleRecord::Key;

constexpr double kTargetSeconds = 0.2;

// Repeats `pattern` until the text holds `length` bytes.
std::string filled(std::string_view pattern, size_t length)
{
    std::string text;
    while (text.size() < length)
        text.append(pattern);
    text.resize(length);
    return text;
}

// Records of realistic size: six authors, a 120-byte title, a 1.5 KB
// abstract, accents, Greek and CJK here and there, a DOI on three in four.
ArticleList makeRecords(int count, const std::string &elinkBase)
{
    static const char *const lastnames[] = {"Okafor", "Lindqvist", "Öztürk", "Παπαδόπουλος", "Dvořák", "王", "Marsh", "Müller"};
    static const char *const initials[] = {"NT", "E", "İ", "Γ", "Č", "小明", "PJ", "K"};
    const std::string title = filled("Tidal rhythms of α-adrenergic signalling in shore crabs (Carcinus maenas) — a café study. ", 120);
    const std::string abstract = filled("Background: P < 0.001 for β-blockers in 中文 cohorts; ±2 °C shifts were seen. ", 1500);
    ArticleRecord::Builder builder;
    ArticleList records;
    records.reserve(count);
    for (int i = 0; i < count; ++i) {
        builder.clear();
        builder.text(Key::Year) = "2004";
        builder.text(Key::Title) = title;
        builder.text(Key::Journal) = "J Coast Ecol";
        builder.text(Key::Volume) = std::to_string(1 + i % 90);
        builder.text(Key::Issue) = std::to_string(1 + i % 12);
        builder.text(Key::Pages) = "211-9";
        builder.text(Key::Abstract) = abstract;
        builder.text(Key::PMID) = std::to_string(30000000 + i);
        if (i % 4 != 0)
            builder.text(Key::Doi) = "10.5555/jce.2004." + std::to_string(i);
        for (int a = 0; a < 6; ++a)
            builder.addAuthor(lastnames[(i + a) % 8], initials[(i + a) % 8]);
        records.append(builder.build(elinkBase));
    }
    return records;
}

template<typename Work>
double bestOf(int repetitions, Work work)
{
    std::vector<double> seconds;
    for (int r = 0; r < repetitions; ++r) {
        QElapsedTimer timer;
        timer.start();
        work();
        seconds.push_back(double(timer.nsecsElapsed()) / 1e9);
    }
    return *std::min_element(seconds.begin(), seconds.end());
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int count = args.size() > 1 ? args.at(1).toInt() : 10000;
    const int repetitions = args.size() > 2 ? args.at(2).toInt() : 10;

    const Endpoints endpoints;
    const std::string elinkBase = endpoints.eutilsOrigin().toStdString() + Paths::ELink;
    const ArticleList records = makeRecords(count, elinkBase);

    qsizetype rtfBytes = 0;
    const double rtf = bestOf(repetitions, [&] {
        rtfBytes = RtfWriter::write(exportTextForArticles(records, endpoints)).size();
    });
    const double html = bestOf(repetitions, [&] {
        HtmlWriter::write(exportTextForArticles(records, endpoints));
    });
    qsizetype plainLength = 0;
    const double plain = bestOf(repetitions, [&] {
        plainLength = 0;
        for (const ArticleRecord &record : records)
            plainLength += citationStringForArticle(record).size();
    });

    std::printf("records: %d, best of %d runs\n", count, repetitions);
    std::printf("rich citations + RTF: %.4f s (%lld bytes of RTF)  target <= %.1f s: %s\n", rtf,
                static_cast<long long>(rtfBytes), kTargetSeconds, rtf <= kTargetSeconds ? "met" : "MISSED");
    std::printf("rich citations + HTML: %.4f s\n", html);
    std::printf("plain citations: %.4f s (%lld characters)\n", plain, static_cast<long long>(plainLength));
    return 0;
}
