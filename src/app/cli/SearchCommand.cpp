#include "CliCommands.h"

int runSearchCommand(const QStringList &)
{
    writeStderrLine(QStringLiteral("vexmoor-cli: this command is not built yet"));
    return 2;
}
