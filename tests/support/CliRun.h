#pragma once

// Runs the built command-line program (VEXMOOR_CLI).

#include "ProgramRun.h"

using CliRun = ProgramRun;

inline CliRun runCli(const QStringList &args, const QByteArray &input = {},
                     const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(),
                     const QString &outputFile = {})
{
    return runProgram(QStringLiteral(VEXMOOR_CLI), args, input, environment, {}, 60000, outputFile);
}

// Every output of the program ends with a check that it was all written.
inline const QByteArray kOutputLost = "vexmoor-cli: cannot write standard output: No space left on device\n";
