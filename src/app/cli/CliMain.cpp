#include "CliProgram.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QLatin1String(CliText::kProgram));
    const int status = CliProgram::run(QCoreApplication::arguments().mid(1));
    std::fflush(stdout);
    return status;
}
