// Results by Year: the time to lay out and paint the chart of a query whose
// articles spread over many years. Target: at most 16 ms a draw.
//
// Reproduce (Release build):
//   cmake --build build --target vexmoor-timeline-bench
//   QT_QPA_PLATFORM=offscreen build/bench/gui/vexmoor-timeline-bench [--years N] [--draws N]
//
// The counts are PubMed's real "Results by year" download for "microbiome"
// (1956-2022), spread over --years years ending in 2022 (the real counts
// repeated back), drawn at the panel's usual size and at a full-screen one.

#include "BenchRun.h"
#include "BenchWindow.h"
#include "gui/timeline/YearChartView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdio>

int main(int argc, char *argv[])
{
    preferOffscreenPlatform();
    QApplication app(argc, argv);
    int years = 250;
    int draws = 200;
    if (!readBenchArguments(app.arguments().mid(1), {{"--years", &years}, {"--draws", &draws}},
                            "vexmoor-timeline-bench [--years N] [--draws N]"))
        return 2;
    QFile file(QStringLiteral(VEXMOOR_TESTDATA_DIR "/../services/pubmed_results_by_year/"
                              "riffomonas_PubMed_Timeline_Results_by_Year_microbiome.csv"));
    const std::optional<YearCounts> real = file.open(QIODevice::ReadOnly) ? YearCountsCsv::read(QString::fromUtf8(file.readAll())) : std::nullopt;
    if (!real || real->isEmpty() || years < 1 || draws < 1) {
        std::fprintf(stderr, "no counts\n");
        return 1;
    }
    YearCounts counts;
    const QList<qint64> values = real->values();
    for (int i = 0; i < years; ++i)
        counts.insert(2022 - i, values.at(values.size() - 1 - i % values.size()));
    for (const QSize size : {QSize(640, 220), QSize(1920, 400)}) {
        YearChartView view;
        view.resize(size);
        view.setCounts(counts, 2022 - years + 1, 2022);
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        QList<double> times;
        for (int i = 0; i < draws; ++i) {
            QElapsedTimer timer;
            timer.start();
            QPainter painter(&image);
            view.render(&painter);
            painter.end();
            times.append(timer.nsecsElapsed() / 1e6);
        }
        std::sort(times.begin(), times.end());
        std::printf("%d years at %dx%d: median %.2f ms, 95th percentile %.2f ms, worst %.2f ms a draw\n", years,
                    size.width(), size.height(), times.at(times.size() / 2), times.at(times.size() * 95 / 100),
                    times.constLast());
    }
    return 0;
}
