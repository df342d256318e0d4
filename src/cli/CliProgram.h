#pragma once

// vexmoor-cli as a whole: its commands, the options that come before a
// command, the exit statuses, and the overall help made from them.

#include "cli/CliCommand.h"

#include <memory>
#include <vector>

struct CliExitStatus
{
    int code;
    QString meaning;
};

namespace CliProgram {

QString summary();     // one line: what the program is
QString description(); // a paragraph for the help and the man page

const std::vector<std::unique_ptr<CliCommand>> &commands();
// -h/--help and -v/--version, given before any command.
QList<CliOption> globalOptions();
QList<CliExitStatus> exitStatuses();

QString usage();
QString helpText();
QString versionText(); // "vexmoor-cli 10"

// Runs the program on its arguments (without the program's name); the exit status.
int run(const QStringList &args);

} // namespace CliProgram
