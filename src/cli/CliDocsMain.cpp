// Writes the man page and the bash completion of vexmoor-cli, made at build
// time from the commands' option tables.
//   vexmoor-cli-docs MANPAGE COMPLETION
#include "cli/BashCompletionWriter.h"
#include "cli/ManPageWriter.h"

#include "export/ExportFile.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

bool writeFile(const QString &path, const QString &text)
{
    const std::optional<QString> reason = writeFileAtomically(path, text.toUtf8(), FileAccess::Everyone);
    if (reason)
        std::fprintf(stderr, "vexmoor-cli-docs: cannot write %s: %s\n", qPrintable(path), qPrintable(*reason));
    return !reason;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3) {
        std::fputs("usage: vexmoor-cli-docs MANPAGE COMPLETION\n", stderr);
        return 2;
    }
    return writeFile(args.at(1), vexmoorCliManPage()) && writeFile(args.at(2), vexmoorCliBashCompletion()) ? 0 : 1;
}
