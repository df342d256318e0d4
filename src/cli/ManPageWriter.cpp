#include "cli/ManPageWriter.h"

#include "cli/CliProgram.h"
#include "common/Version.h"

#include <QMap>
#include <QRegularExpression>

namespace {

// Code: every character stands for itself.
QString roffCode(QString text)
{
    text.replace(u'\\', QLatin1String("\\e"));
    text.replace(u'-', QLatin1String("\\-"));
    text.replace(u'\'', QLatin1String("\\(aq"));
    text.replace(u'`', QLatin1String("\\(ga"));
    return text;
}

// Prose: a dash that starts a word is an option's and stays a minus sign, as
// do the program's names; other hyphens are hyphens.
QString roffText(QString text)
{
    static const QRegularExpression optionDash(QStringLiteral("(?<!\\w)-"));
    text.replace(u'\\', QLatin1String("\\e"));
    text.replace(optionDash, QStringLiteral("\\-"));
    text.replace(QLatin1String("vexmoor-cli"), QLatin1String("vexmoor\\-cli"));
    QStringList lines = text.split(u'\n');
    for (QString &line : lines) {
        if (line.startsWith(u'.') || line.startsWith(u'\''))
            line.prepend(QLatin1String("\\&"));
    }
    return lines.join(u'\n');
}

QString paragraphs(const QString &text)
{
    QString out;
    for (const QString &paragraph : text.split(QStringLiteral("\n\n")))
        out += QStringLiteral(".PP\n") + roffText(paragraph) + u'\n';
    return out;
}

// ".TP" with the option in bold and its value in italics.
QString optionItem(const CliOption &option)
{
    QStringList names;
    for (const QString &name : option.names)
        names.append(roffCode((name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name));
    QString head = QStringLiteral("\\fB") + names.join(QStringLiteral("\\fR, \\fB")) + QStringLiteral("\\fR");
    if (!option.valueName.isEmpty())
        head += QStringLiteral(" \\fI") + roffCode(option.valueName) + QStringLiteral("\\fR");
    return QStringLiteral(".TP\n") + head + u'\n' + roffText(CliText::optionDescription(option)) + u'\n';
}

QString commandLine(const QString &arguments)
{
    return QStringLiteral(".PP\n.RS 4\n.nf\n") + roffCode(QLatin1String(CliText::kProgram) + u' ' + arguments)
           + QStringLiteral("\n.fi\n.RE\n");
}

} // namespace

QString vexmoorCliManPage()
{
    const QString program = roffCode(QLatin1String(CliText::kProgram));
    QString page = QStringLiteral(".\\\" Made by vexmoor-cli-docs from the option tables of vexmoor-cli.\n");
    page += QStringLiteral(".TH %1 1 \"\" \"Vexmoor %2\" \"User Commands\"\n")
                .arg(roffCode(QString::fromLatin1(CliText::kProgram).toUpper()), QLatin1String(kAppVersion));
    page += QStringLiteral(".SH NAME\n%1 \\- %2\n").arg(program, roffText(CliProgram::summary()));

    page += QStringLiteral(".SH SYNOPSIS\n");
    page += QStringLiteral("\\fB%1\\fR [\\fIOPTIONS\\fR] \\fICOMMAND\\fR [\\fIARGS\\fR]\n").arg(program);
    for (const auto &command : CliProgram::commands()) {
        page += QStringLiteral(".br\n\\fB%1 %2\\fR [\\fIOPTIONS\\fR]").arg(program, roffCode(command->name()));
        for (const CliArgument &argument : command->arguments())
            page += (argument.optional ? QStringLiteral(" [\\fI%1\\fR]") : QStringLiteral(" \\fI%1\\fR")).arg(roffCode(argument.name));
        page += u'\n';
    }

    page += QStringLiteral(".SH DESCRIPTION\n") + paragraphs(CliProgram::description());

    page += QStringLiteral(".SH COMMANDS\n");
    QMap<QString, QStringList> environment; // variable -> "command --option" using it
    for (const auto &command : CliProgram::commands()) {
        page += QStringLiteral(".SS \"%1\"\n").arg(roffCode(command->name()));
        page += paragraphs(command->description());
        for (const CliArgument &argument : command->arguments())
            page += QStringLiteral(".TP\n.I %1\n%2\n").arg(roffCode(argument.name), roffText(argument.description));
        for (const CliOption &option : command->allOptions()) {
            page += optionItem(option);
            if (!option.environment.isEmpty())
                environment[option.environment].append(command->name() + QStringLiteral(" --") + option.names.constLast());
        }
    }

    page += QStringLiteral(".SH OPTIONS\nBefore a command:\n");
    for (const CliOption &option : CliProgram::globalOptions())
        page += optionItem(option);

    if (!environment.isEmpty()) {
        page += QStringLiteral(".SH ENVIRONMENT\n");
        for (auto it = environment.cbegin(); it != environment.cend(); ++it)
            page += QStringLiteral(".TP\n.B %1\n%2\n")
                        .arg(roffCode(it.key()),
                             roffText(QStringLiteral("The value of %1 when that option is not given.")
                                          .arg(it.value().join(QStringLiteral(" and of ")))));
    }

    page += QStringLiteral(".SH EXIT STATUS\n");
    for (const CliExitStatus &status : CliProgram::exitStatuses())
        page += QStringLiteral(".TP\n.B %1\n%2\n").arg(status.code).arg(roffText(status.meaning));

    page += QStringLiteral(".SH EXAMPLES\n");
    for (const auto &command : CliProgram::commands()) {
        for (const CliExample &example : command->examples())
            page += QStringLiteral(".PP\n") + roffText(example.description) + u'\n' + commandLine(example.arguments);
    }

    page += QStringLiteral(".SH SEE ALSO\n.BR vexmoor (1)\n");
    return page;
}
