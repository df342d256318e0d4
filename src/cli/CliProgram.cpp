#include "cli/CliProgram.h"

#include "cli/CliCommands.h"
#include "common/Version.h"

#include <algorithm>

namespace {

const CliOption kHelp{.names = {QStringLiteral("h"), QStringLiteral("help")},
                      .description = QStringLiteral("Show the commands and exit.")};
const CliOption kVersion{.names = {QStringLiteral("v"), QStringLiteral("version")},
                         .description = QStringLiteral("Show the version and exit.")};

std::vector<std::unique_ptr<CliCommand>> makeCommands()
{
    std::vector<std::unique_ptr<CliCommand>> commands;
    for (CliCommand (*make)() : {esearchCommand, efetchCommand, citeCommand, searchCommand, linkCommand,
                                 historyCommand, savedCommand, watchCommand, libraryCommand, meshCommand,
                                 timelineCommand, matchCommand, reviewCommand, fulltextCommand})
        commands.push_back(std::make_unique<CliCommand>(make()));
    return commands;
}

int overallUsageError(const QString &message)
{
    writeStderrLine(CliText::usageErrorLine(QLatin1String(CliText::kProgram), message, CliProgram::usage()));
    return 2;
}

} // namespace

namespace CliProgram {

QString summary()
{
    return QStringLiteral("search PubMed and format its records from the command line");
}

QString description()
{
    return QStringLiteral("vexmoor-cli runs the code of the Vexmoor window without one: it reads answers of the NCBI "
                          "E-utilities saved to files, or searches PubMed through them, and prints the PMIDs, the "
                          "articles' records or their citations. Results go to standard output, progress and errors to "
                          "standard error.");
}

const std::vector<std::unique_ptr<CliCommand>> &commands()
{
    static const std::vector<std::unique_ptr<CliCommand>> all = makeCommands();
    return all;
}

QList<CliOption> globalOptions()
{
    return {kHelp, kVersion};
}

QList<CliExitStatus> exitStatuses()
{
    return {{0, QStringLiteral("Success.")},
            {1, QStringLiteral("A failure: an unreadable file, output that could not be written, an answer that holds no "
                               "result, a search or download that failed (what arrived before the failure is "
                               "printed). For watch: nothing new was found.")},
            {2, QStringLiteral("A usage error: an unknown command or option, a missing or wrong value, a missing or "
                               "extra argument.")},
            {3, QStringLiteral("The library could not be used (written by a newer Vexmoor, damaged and moved aside, "
                               "or not to be opened), or a check of watch failed.")}};
}

QString usage()
{
    return QStringLiteral("Usage: %1 [OPTIONS] COMMAND [ARGS]").arg(QLatin1String(CliText::kProgram));
}

QString helpText()
{
    QString text = usage() + QStringLiteral("\n\n") + CliText::paragraphs(description()) + u'\n';
    QList<QPair<QString, QString>> rows;
    for (const auto &command : commands())
        rows.append({command->name(), command->summary()});
    text += QStringLiteral("\nCommands:\n") + CliText::twoColumns(rows);
    rows.clear();
    for (const CliOption &option : globalOptions())
        rows.append({CliText::optionSyntax(option), CliText::optionDescription(option)});
    text += QStringLiteral("\nOptions:\n") + CliText::twoColumns(rows);
    rows.clear();
    for (const CliExitStatus &status : exitStatuses())
        rows.append({QString::number(status.code), status.meaning});
    text += QStringLiteral("\nExit status:\n") + CliText::twoColumns(rows);
    text += QStringLiteral("\n'%1 COMMAND --help' shows the arguments and options of a command.\n")
                .arg(QLatin1String(CliText::kProgram));
    return text;
}

QString versionText()
{
    return QStringLiteral("%1 %2").arg(QLatin1String(CliText::kProgram), QLatin1String(kAppVersion));
}

int run(const QStringList &args)
{
    QCommandLineParser parser;
    // Everything from the command's name on belongs to the command.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    for (const CliOption &option : globalOptions())
        parser.addOption(QCommandLineOption(option.names, option.description, option.valueName));
    if (!parser.parse(QStringList{QLatin1String(CliText::kProgram)} + args))
        return overallUsageError(parser.errorText());
    if (parser.isSet(kHelp.names.constLast())) {
        writeStdout(helpText().toUtf8());
        return 0;
    }
    if (parser.isSet(kVersion.names.constLast())) {
        writeStdout(versionText().toUtf8() + '\n');
        return 0;
    }
    QStringList rest = parser.positionalArguments();
    if (rest.isEmpty())
        return overallUsageError(QStringLiteral("no command given"));
    const QString name = rest.takeFirst();
    const auto found = std::find_if(commands().cbegin(), commands().cend(),
                                    [&](const auto &command) { return command->name() == name; });
    if (found == commands().cend())
        return overallUsageError(QStringLiteral("unknown command \"%1\"").arg(name));
    return (*found)->execute(rest);
}

} // namespace CliProgram
