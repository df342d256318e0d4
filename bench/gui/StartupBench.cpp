// Start-up with the update check on while the version page is slow: the time
// from creating the main controller to its window being on screen. Target:
// under 1 s with a page that answers after 10 s.
//
// Reproduce (Release build):
//   cmake --build build --target vexmoor-startup-bench
//   QT_QPA_PLATFORM=offscreen build/bench/gui/vexmoor-startup-bench [--runs N] [--delay SECONDS]
//
// A server on 127.0.0.1 plays the home site and answers the version page
// only after the delay. Reported: the worst of N runs (each in a fresh
// window), and whether the window was shown before the page answered.

#include "BenchRun.h"
#include "BenchWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cstdio>

namespace {

// Answers every request with a version page naming "11", after `delayMs`.
class SlowVersionPage : public QTcpServer
{
public:
    explicit SlowVersionPage(int delayMs) : m_delayMs(delayMs)
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = nextPendingConnection()) {
                QPointer<QTcpSocket> guarded(socket);
                QTimer::singleShot(m_delayMs, socket, [guarded] {
                    const QByteArray body = "<html><head><title>11</title></head></html>\n";
                    guarded->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: "
                                   + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
                    guarded->disconnectFromHost();
                });
            }
        });
        listen(QHostAddress::LocalHost, 0);
    }

private:
    int m_delayMs;
};

} // namespace

int main(int argc, char *argv[])
{
    preferOffscreenPlatform();
    QApplication app(argc, argv);
    int runs = 5;
    int delaySeconds = 10;
    if (!readBenchArguments(app.arguments().mid(1), {{"--runs", &runs}, {"--delay", &delaySeconds}},
                            "vexmoor-startup-bench [--runs N] [--delay SECONDS]"))
        return 2;

    SlowVersionPage page(delaySeconds * 1000);
    Endpoints endpoints;
    endpoints.home = QUrl(QStringLiteral("http://127.0.0.1:%1").arg(page.serverPort()));
    const BenchAppServices bench({.online = true, .updateCheckOnStart = true, .alertAnswer = 1, .endpoints = endpoints});
    const AppServices &services = bench.services();

    double worst = 0;
    bool shownFirst = true;
    for (int run = 0; run < std::max(runs, 1); ++run) {
        QElapsedTimer timer;
        timer.start();
        AppController controller(services);
        controller.awakeFromNib();
        while (!(controller.window()->windowHandle() && controller.window()->windowHandle()->isExposed())
               && timer.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        worst = std::max(worst, double(timer.nsecsElapsed()) / 1e9);
        shownFirst = shownFirst && controller.launchUpdateCheckRunning() && bench.alertsShown() == 0;
    }
    std::printf("version page answers after %d s; worst of %d runs\n", delaySeconds, std::max(runs, 1));
    std::printf("window on screen      %7.3f s   (target 1 s)\n", worst);
    std::printf("shown before the page answered: %s\n", shownFirst ? "yes" : "no");
    return worst < 1.0 && shownFirst ? 0 : 1;
}
