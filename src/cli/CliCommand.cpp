#include "cli/CliCommand.h"

#include "cli/CliCommands.h"
#include "cli/CliMessages.h"

#include <algorithm>

namespace {

constexpr qsizetype kLineWidth = 79;
constexpr qsizetype kIndent = 2;
constexpr qsizetype kWidestFirstColumn = 24;

const CliOption kHelpOption{.names = {QStringLiteral("h"), QStringLiteral("help")},
                            .description = QStringLiteral("Show this help and exit.")};

// Greedy word wrap; every line but the first starts with `indent` spaces.
QString wrapped(const QString &text, qsizetype firstWidth, qsizetype indent)
{
    QString out;
    qsizetype room = firstWidth;
    qsizetype lineLength = 0;
    for (const QString &word : text.split(u' ', Qt::SkipEmptyParts)) {
        if (lineLength > 0 && lineLength + 1 + word.size() > room) {
            out += u'\n' + QString(indent, u' ');
            room = kLineWidth - indent;
            lineLength = 0;
        } else if (lineLength > 0) {
            out += u' ';
            ++lineLength;
        }
        out += word;
        lineLength += word.size();
    }
    return out;
}

QString choiceList(const QStringList &choices)
{
    if (choices.size() < 2)
        return choices.join(QString());
    return choices.mid(0, choices.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" or ") + choices.last();
}

} // namespace

namespace CliText {

QString paragraphs(const QString &text)
{
    QStringList out;
    for (const QString &paragraph : text.split(QStringLiteral("\n\n")))
        out.append(wrapped(paragraph, kLineWidth, 0));
    return out.join(QStringLiteral("\n\n"));
}

QString optionSyntax(const CliOption &option)
{
    QStringList names;
    for (const QString &name : option.names)
        names.append((name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name);
    QString syntax = names.join(QStringLiteral(", "));
    if (!option.valueName.isEmpty())
        syntax += u' ' + option.valueName;
    return syntax;
}

QString optionDescription(const CliOption &option)
{
    QString text = option.description;
    if (!option.choices.isEmpty())
        text += QStringLiteral(" %1 is %2.").arg(option.valueName, choiceList(option.choices));
    if (!option.defaultValue.isEmpty())
        text += QStringLiteral(" Default: %1.").arg(option.defaultValue);
    if (!option.environment.isEmpty())
        text += QStringLiteral(" Without the option, the environment variable %1 gives the value.").arg(option.environment);
    return text;
}

QString usageErrorLine(const QString &who, const QString &message, const QString &usage)
{
    // One line, so that a script's log keeps the reason with the usage.
    QString reason = message;
    if (reason.endsWith(u'.')) // Qt's own messages end with one
        reason.chop(1);
    return QStringLiteral("%1: %2. %3 (--help for more)").arg(who, reason, usage);
}

QString twoColumns(const QList<QPair<QString, QString>> &rows)
{
    qsizetype first = 0;
    for (const auto &row : rows)
        first = std::max(first, row.first.size());
    const qsizetype column = kIndent + std::min(first, kWidestFirstColumn) + 2;
    QString out;
    for (const auto &[left, right] : rows) {
        QString line = QString(kIndent, u' ') + left;
        if (line.size() + 2 > column)
            line += u'\n' + QString(column, u' ');
        else
            line = line.leftJustified(column);
        out += line + wrapped(right, kLineWidth - column, column) + u'\n';
    }
    return out;
}

} // namespace CliText

CliParsedArguments::CliParsedArguments(const QCommandLineParser &parser, const QList<CliOption> &options)
    : m_parser(parser)
    , m_options(options)
{
}

bool CliParsedArguments::isSet(const QString &name) const
{
    return m_parser.isSet(name);
}

QString CliParsedArguments::value(const QString &name) const
{
    const CliOption &found = option(name);
    if (m_parser.isSet(name))
        return m_parser.value(name);
    if (!found.environment.isEmpty() && qEnvironmentVariableIsSet(qPrintable(found.environment)))
        return qEnvironmentVariable(qPrintable(found.environment));
    return found.defaultValue;
}

QStringList CliParsedArguments::values(const QString &name) const
{
    if (m_parser.isSet(name))
        return m_parser.values(name);
    const QString single = value(name);
    return single.isEmpty() ? QStringList() : QStringList{single};
}

const CliOption &CliParsedArguments::option(const QString &name) const
{
    const auto found = std::find_if(m_options.cbegin(), m_options.cend(),
                                    [&](const CliOption &option) { return option.names.contains(name); });
    Q_ASSERT_X(found != m_options.cend(), "CliParsedArguments", "an option the command does not have");
    return *found;
}

QList<CliOption> CliCommand::allOptions() const
{
    return m_table.options + QList<CliOption>{kHelpOption};
}

QString CliCommand::usage() const
{
    QString line = QStringLiteral("Usage: %1 %2 [OPTIONS]").arg(QLatin1String(CliText::kProgram), name());
    for (const CliArgument &argument : arguments()) {
        const QString word = argument.name + (argument.repeats ? QStringLiteral("...") : QString());
        line += u' ' + (argument.optional ? u'[' + word + u']' : word);
    }
    return line;
}

QString CliCommand::helpText() const
{
    QString text = usage() + QStringLiteral("\n\n") + CliText::paragraphs(description()) + u'\n';
    QList<QPair<QString, QString>> rows;
    for (const CliArgument &argument : arguments())
        rows.append({argument.name, argument.description});
    text += QStringLiteral("\nArguments:\n") + CliText::twoColumns(rows);
    rows.clear();
    for (const CliOption &option : allOptions())
        rows.append({CliText::optionSyntax(option), CliText::optionDescription(option)});
    text += QStringLiteral("\nOptions:\n") + CliText::twoColumns(rows);
    text += QStringLiteral("\nExamples:\n");
    for (const CliExample &example : examples()) {
        text += QString(kIndent, u' ') + QLatin1String(CliText::kProgram) + u' ' + example.arguments + u'\n';
        text += QString(3 * kIndent, u' ') + wrapped(example.description, kLineWidth - 3 * kIndent, 3 * kIndent) + u'\n';
    }
    return text;
}

int CliCommand::usageError(const QString &message) const
{
    writeStderrLine(CliText::usageErrorLine(QLatin1String(CliText::kProgram) + u' ' + name(), message, usage()));
    return 2;
}

int CliCommand::execute(const QStringList &args) const
{
    const QList<CliOption> table = allOptions();
    QCommandLineParser parser;
    for (const CliOption &option : table)
        parser.addOption(QCommandLineOption(option.names, option.description, option.valueName));
    // The first element is taken as the program's name.
    if (!parser.parse(QStringList{QLatin1String(CliText::kProgram)} + args))
        return usageError(parser.errorText());
    if (parser.isSet(kHelpOption.names.constFirst())) {
        writeStdout(helpText().toUtf8());
        return 0;
    }

    const CliParsedArguments parsed(parser, table);
    const QStringList positional = parser.positionalArguments();
    const QList<CliArgument> expected = arguments();
    const qsizetype required = std::count_if(expected.cbegin(), expected.cend(), [](const CliArgument &a) { return !a.optional; });
    if (positional.size() < required)
        return usageError(QStringLiteral("no %1 given").arg(expected.at(positional.size()).name));
    if (positional.size() > expected.size() && !(!expected.isEmpty() && expected.constLast().repeats))
        return usageError(CliMessages::unexpectedArgument(positional.at(expected.size())));
    for (const CliOption &option : table) {
        if (option.choices.isEmpty())
            continue;
        const QString &name = option.names.constLast();
        for (const QString &value : parsed.values(name)) {
            if (!option.choices.contains(value))
                return usageError(QStringLiteral("--%1 takes %2, not \"%3\"").arg(name, choiceList(option.choices), value));
        }
    }
    return m_run(*this, parsed);
}
