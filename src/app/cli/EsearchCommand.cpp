#include "CliCommands.h"

int runEsearchCommand(const QStringList &)
{
    writeStderrLine(QStringLiteral("vexmoor-cli: this command is not built yet"));
    return 2;
}
