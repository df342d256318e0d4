// Ten tabs of 9,999 articles each, downloaded as the window downloads them:
// switching between them, and the memory of the process holding them.
// Targets: at most 16 ms a switch in 95 of 100 (the switch, the search row
// following it, layout and paint of the shown tab); at most 1.0 GB resident
// at the peak, all ten downloads included.
//
// Reproduce (Release build):
//   cmake --build build --target vexmoor-tabs-bench
//   QT_QPA_PLATFORM=offscreen build/bench/gui/vexmoor-tabs-bench [--tabs N] [--articles N] [--switches N]
//
// Each tab searches the fake E-utilities server, which answers with
// --articles PMIDs and, to the one EFetch of them all (the batch size is set
// to --articles), with real records of the shared EFetch answers in
// rotation: the session's transfer, the streaming reader and the table take
// them as from PubMed. The server runs in a child process, so that the
// memory measured is the window's alone.

#include "BenchRun.h"
#include "BenchWindow.h"
#include "FakeEutilsServer.h"
#include "RealAnswer.h"
#include "gui/mainwindow/ResultTab.h"
#include "preferences/PreferenceStore.h"
#include "search/SearchSession.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMainWindow>
#include <QTabWidget>
#include <QTest>

#include <algorithm>
#include <csignal>
#include <ctime>
#include <cstdio>

#include <sys/wait.h>
#include <unistd.h>

namespace {

// A field of /proc/self/status ("VmRSS:", "VmHWM:"), in MB.
double statusMegabytes(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return -1;
}

// The child: serves ESearch and EFetch until it is ended; writes its port to `out`.
int serve(int argc, char *argv[], int out, int articles)
{
    QCoreApplication app(argc, argv);
    const std::vector<std::string> records = realRecords(QStringLiteral(VEXMOOR_TESTDATA_DIR "/efetch"), false);
    FakeEutilsServer server;
    server.serveEsearch(articles);
    server.setHandler(QUrl(QLatin1String(Paths::EFetch)).path(), [&records](const QUrl &url) {
        return FakeResponse::xml(QByteArray::fromStdString(buildAnswer(records, int(FakeEutilsServer::requestedIds(url).size()))));
    });
    const quint16 port = server.origin().port();
    if (records.empty() || ::write(out, &port, sizeof port) != sizeof port)
        return 1;
    ::close(out);
    return app.exec();
}

// Processor milliseconds of the whole process so far: on a machine busy with
// other work, what a switch itself costs, beside its wall time.
double processorMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    int tabs = 10;
    int articles = 9999;
    int switches = 200;
    // Read before the QApplication, which the child must not share.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    if (!readBenchArguments(args, {{"--tabs", &tabs}, {"--articles", &articles}, {"--switches", &switches}},
                            "vexmoor-tabs-bench [--tabs N] [--articles N] [--switches N]")
        || tabs < 2 || articles < 1 || switches < 1)
        return 2;
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        return 1;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeEnds[0]);
        return serve(argc, argv, pipeEnds[1], articles);
    }
    ::close(pipeEnds[1]);
    quint16 port = 0;
    const bool served = ::read(pipeEnds[0], &port, sizeof port) == sizeof port;
    ::close(pipeEnds[0]);
    const auto endServer = [child] {
        ::kill(child, SIGTERM);
        ::waitpid(child, nullptr, 0);
    };
    if (!served) {
        std::fprintf(stderr, "the fake server did not start\n");
        endServer();
        return 1;
    }

    preferOffscreenPlatform();
    QApplication app(argc, argv);
    Endpoints endpoints;
    endpoints.eutils = endpoints.home = QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port));
    endpoints.pointServicesAt(endpoints.eutils);
    const BenchAppServices bench({.online = true, .endpoints = endpoints});
    bench.services().preferences->setObject(PreferenceKeys::ThisMany, articles);
    AppController controller(bench.services());
    controller.awakeFromNib();
    controller.window()->resize(1200, 800);
    QCoreApplication::processEvents();
    const double before = statusMegabytes("VmRSS:");
    auto *field = controller.window()->findChild<QLineEdit *>(QStringLiteral("searchNSTextField"));
    QElapsedTimer timer;
    timer.start();
    for (int tab = 0; tab < tabs; ++tab) {
        if (tab > 0)
            controller.newTab();
        field->setText(QStringLiteral("tab %1").arg(tab + 1));
        QTest::keyClick(field, Qt::Key_Return);
        while ((controller.currentTab()->session().isBusy() || controller.numberOfRowsInTableView() == 0)
               && timer.elapsed() < 600000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (controller.numberOfRowsInTableView() != articles) {
            std::fprintf(stderr, "tab %d shows %d articles: %s\n", tab + 1, controller.numberOfRowsInTableView(),
                         qPrintable(controller.currentTab()->session().message()));
            endServer();
            return 1;
        }
    }
    const double downloadSeconds = double(timer.elapsed()) / 1e3;
    const double resident = statusMegabytes("VmRSS:");
    const double peak = statusMegabytes("VmHWM:");
    endServer();

    std::vector<double> times;
    std::vector<double> processor;
    auto *tabWidget = controller.window()->findChild<QTabWidget *>(QStringLiteral("resultTabs"));
    for (int i = 0; i < switches; ++i) {
        timer.start();
        const double cpuBefore = processorMs();
        tabWidget->setCurrentIndex(i % tabs);
        // The events a switch queues: the layout of the shown tab and one paint.
        QCoreApplication::processEvents();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
        processor.push_back(processorMs() - cpuBefore);
    }
    std::sort(times.begin(), times.end());
    std::sort(processor.begin(), processor.end());
    const double median = times[times.size() / 2];
    const double p95 = times[times.size() * 95 / 100];
    std::printf("%d tabs of %d articles, downloaded from the fake server in %.1f s\n", tabs, articles, downloadSeconds);
    std::printf("tab switch, median      %7.2f ms\n", median);
    std::printf("tab switch, 95th pct    %7.2f ms  (target 16 ms); processor time: median %.2f ms, 95th pct %.2f ms\n",
                p95, processor[processor.size() / 2], processor[processor.size() * 95 / 100]);
    std::printf("tab switch, worst       %7.2f ms  of %d switches\n", times.back(), switches);
    std::printf("resident with the tabs  %7.0f MB  (%.0f MB before them)\n", resident, before);
    std::printf("peak resident           %7.0f MB  (target 1024 MB)\n", peak);
    return p95 <= 16.0 && peak <= 1024.0 ? 0 : 1;
}
