#pragma once

// Runs the built command-line program (VEXMOOR_CLI) as a separate process.

#include <QProcess>
#include <QSignalSpy>
#include <QStringList>

struct CliRun
{
    int exitCode = -1; // -1 when the program crashed or did not end
    QByteArray out;
    QByteArray err;
};

// The test's own event loop keeps running while the program works, so a fake
// server in the test process can answer it.
inline CliRun runCli(const QStringList &args, const QByteArray &input = {},
                     const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    QSignalSpy finished(&process, &QProcess::finished);
    process.start(QStringLiteral(VEXMOOR_CLI), args);
    process.write(input);
    process.closeWriteChannel();
    if (!finished.wait(60000))
        process.kill();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
            process.readAllStandardError()};
}
