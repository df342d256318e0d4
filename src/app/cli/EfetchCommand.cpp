#include "CliCommands.h"

int runEfetchCommand(const QStringList &)
{
    writeStderrLine(QStringLiteral("vexmoor-cli: this command is not built yet"));
    return 2;
}
