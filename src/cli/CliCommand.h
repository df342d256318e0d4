#pragma once

// One command of vexmoor-cli: its arguments and options as a table, from which
// the parser, `--help`, the man page and the shell completion are all made, so
// an option added to the table appears in all four.

#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

struct CliOption
{
    QStringList names = {};      // "format"; a one-letter name is the short form
    QString valueName = {};      // empty for a switch
    QString description = {};    // one or more sentences
    QStringList choices = {};    // the only values accepted, when not empty
    QString defaultValue = {};   // what an absent option means, shown in the help
    QString environment = {};    // a variable that gives the value when the option is absent
    bool namesFile = false; // the value is a file name (for the shell's completion)
};

struct CliArgument
{
    QString name = {};           // "FILE"
    QString description = {};
    bool namesFile = false; // completed with file names
    bool repeats = false;   // the last argument, given one or more times
    bool optional = false;  // may be left out; only arguments after every required one
};

struct CliExample
{
    QString arguments = {};      // what follows "vexmoor-cli " on the command line
    QString description = {};
};

// The options a command was given, after the parser and the choice checks.
class CliParsedArguments
{
public:
    CliParsedArguments(const QCommandLineParser &parser, const QList<CliOption> &options);

    QStringList positional() const { return m_parser.positionalArguments(); }
    bool isSet(const QString &name) const;
    // The option's value, else its environment variable's, else its default.
    QString value(const QString &name) const;
    // Every value of an option that may be given more than once, else what value() gives.
    QStringList values(const QString &name) const;

private:
    const CliOption &option(const QString &name) const;

    const QCommandLineParser &m_parser;
    const QList<CliOption> &m_options;
};

// What a command is: the parser, `--help`, the man page and the shell
// completion are all made from this table.
struct CliCommandTable
{
    QString name = {};
    QString summary = {};     // one line for the overall help
    QString description = {}; // what it reads, does and prints
    QList<CliArgument> arguments = {};
    QList<CliOption> options = {};
    QList<CliExample> examples = {};
};

class CliCommand
{
public:
    // What the command does with what it was given; the process exit status.
    using Run = std::function<int(const CliCommand &command, const CliParsedArguments &arguments)>;

    CliCommand(CliCommandTable table, Run run) : m_table(std::move(table)), m_run(std::move(run)) {}

    const QString &name() const { return m_table.name; }
    const QString &summary() const { return m_table.summary; }
    const QString &description() const { return m_table.description; }
    const QList<CliArgument> &arguments() const { return m_table.arguments; }
    const QList<CliOption> &options() const { return m_table.options; }
    const QList<CliExample> &examples() const { return m_table.examples; }

    // Parses the arguments that follow the command's name and runs it.
    // Returns the process exit status; a usage error is 2.
    int execute(const QStringList &args) const;

    // "vexmoor-cli cite [OPTIONS] FILE"
    QString usage() const;
    QString helpText() const;

    // The options of the table with the help option every command has.
    QList<CliOption> allOptions() const;

    // Prints the message with the usage to standard error; 2.
    int usageError(const QString &message) const;

private:
    CliCommandTable m_table;
    Run m_run;
};

namespace CliText {
inline constexpr char kProgram[] = "vexmoor-cli";

// Paragraphs (parted by a blank line) wrapped to the terminal's usual width.
QString paragraphs(const QString &text);
// "--format FORMAT", "-h, --help"
QString optionSyntax(const CliOption &option);
// The description followed by the accepted values, the default and the variable.
QString optionDescription(const CliOption &option);
// "vexmoor-cli cite: no FILE given. Usage: vexmoor-cli cite [OPTIONS] FILE (--help for more)"
QString usageErrorLine(const QString &who, const QString &message, const QString &usage);
// Rows of a two-column list: the first column and the wrapped second.
QString twoColumns(const QList<QPair<QString, QString>> &rows);
} // namespace CliText
