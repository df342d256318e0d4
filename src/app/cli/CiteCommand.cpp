#include "CliCommands.h"

int runCiteCommand(const QStringList &)
{
    writeStderrLine(QStringLiteral("vexmoor-cli: this command is not built yet"));
    return 2;
}
