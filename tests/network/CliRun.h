#pragma once

// Runs the built command-line program (VEXMOOR_CLI).

#include "ProgramRun.h"

using CliRun = ProgramRun;

inline CliRun runCli(const QStringList &args, const QByteArray &input = {},
                     const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    return runProgram(QStringLiteral(VEXMOOR_CLI), args, input, environment);
}
