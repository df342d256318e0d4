#include "cli/CliCommands.h"
#include "cli/CliProgram.h"

#include <QCoreApplication>

#include <malloc.h>

int main(int argc, char *argv[])
{
    // An answer is read a piece of a few hundred KiB at a time, each piece
    // allocated and freed in turn. By default glibc maps such blocks afresh
    // or hands the freed top of the heap back to the kernel, so every piece
    // faults its pages in again; keeping them costs a few MiB and saves
    // about a fifth of the time.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QLatin1String(CliText::kProgram));
    const int status = CliProgram::run(QCoreApplication::arguments().mid(1));
    return finishStdout() || status != 0 ? status : 1;
}
