#pragma once

// Runs a program as a separate process and keeps what it printed.

#include <QProcess>
#include <QSignalSpy>
#include <QStringList>

struct ProgramRun
{
    int exitCode = -1; // -1 when the program did not start, crashed or did not end
    QByteArray out;
    QByteArray err;
};

// The test's own event loop keeps running while the program works, so a fake
// server in the test process can answer it. With `outputFile` the program's
// standard output goes there (/dev/full, say) instead of to `out`.
inline ProgramRun runProgram(const QString &program, const QStringList &args, const QByteArray &input = {},
                             const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(),
                             const QString &workingDirectory = {}, int timeoutMs = 60000,
                             const QString &outputFile = {})
{
    QProcess process;
    if (!outputFile.isEmpty())
        process.setStandardOutputFile(outputFile);
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(workingDirectory);
    QSignalSpy finished(&process, &QProcess::finished);
    process.start(program, args);
    if (!process.waitForStarted())
        return {-1, {}, process.errorString().toUtf8()};
    process.write(input);
    process.closeWriteChannel();
    if (!finished.wait(timeoutMs))
        process.kill();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
            process.readAllStandardError()};
}
