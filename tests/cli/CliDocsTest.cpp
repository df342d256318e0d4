// The man page and the bash completion that the build makes from the option
// tables: groff reads the page without a warning, the page as a reader sees it
// says what `--help` says, and bash completes what the tables hold.
#include "cli/CliProgram.h"

#include "ProgramRun.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString oneSpaced(QString text)
{
    static const QRegularExpression space(QStringLiteral("\\s+"));
    return text.replace(space, QStringLiteral(" "));
}

// The page as `man` shows it, each paragraph on one line (no hyphenation).
QString renderedManPage()
{
    const ProgramRun groff = runProgram(QStringLiteral(GROFF), {QStringLiteral("-man"), QStringLiteral("-Tascii"),
                                                                QStringLiteral("-P-cbou"), QStringLiteral("-rLL=2000n"), QStringLiteral(VEXMOOR_CLI_MANPAGE)});
    return groff.exitCode == 0 ? oneSpaced(QString::fromUtf8(groff.out)) : QString();
}

// What bash offers for the words typed so far; the last word is the one completed.
QStringList completions(const QStringList &words, const QString &workingDirectory = {})
{
    QString array;
    for (const QString &word : words)
        array += u'\'' + word + QStringLiteral("' ");
    const QString script = QStringLiteral("source '%1'; COMP_WORDS=(%2); COMP_CWORD=%3; _vexmoor_cli; "
                                          "printf '%s\\n' \"${COMPREPLY[@]}\"")
                               .arg(QStringLiteral(VEXMOOR_CLI_COMPLETION), array)
                               .arg(words.size() - 1);
    const ProgramRun bash = runProgram(QStringLiteral("bash"), {QStringLiteral("-c"), script}, {},
                                       QProcessEnvironment::systemEnvironment(), workingDirectory);
    QStringList offered = QString::fromUtf8(bash.out).split(u'\n', Qt::SkipEmptyParts);
    offered.sort();
    return offered;
}

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

QStringList optionWords(const QList<CliOption> &options)
{
    QStringList words;
    for (const CliOption &option : options) {
        for (const QString &name : option.names)
            words.append((name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name);
    }
    return sorted(words);
}

} // namespace

class CliDocsTest : public QObject
{
    Q_OBJECT

private slots:
    void groffReadsThePageWithoutWarnings()
    {
        const ProgramRun groff = runProgram(QStringLiteral(GROFF), {QStringLiteral("-ww"), QStringLiteral("-z"),
                                                                    QStringLiteral("-man"), QStringLiteral(VEXMOOR_CLI_MANPAGE)});
        QCOMPARE(groff.exitCode, 0);
        QCOMPARE(QString::fromUtf8(groff.err), QString());
    }

    // Every command's description, arguments, options with their full
    // descriptions and examples; the program's options and exit statuses.
    void manPageSaysWhatTheHelpSays()
    {
        const QString page = renderedManPage();
        QVERIFY(!page.isEmpty());
        QStringList expected;
        expected << oneSpaced(CliProgram::description());
        for (const CliOption &option : CliProgram::globalOptions())
            expected << CliText::optionSyntax(option) + u' ' + option.description;
        for (const CliExitStatus &status : CliProgram::exitStatuses())
            expected << QString::number(status.code) + u' ' + status.meaning;
        for (const auto &command : CliProgram::commands()) {
            expected << QStringLiteral("vexmoor-cli %1 [OPTIONS]").arg(command->name());
            for (const QString &paragraph : command->description().split(QStringLiteral("\n\n")))
                expected << paragraph;
            for (const CliArgument &argument : command->arguments())
                expected << argument.name + u' ' + argument.description;
            for (const CliOption &option : command->allOptions())
                expected << CliText::optionSyntax(option) + u' ' + CliText::optionDescription(option);
            for (const CliExample &example : command->examples())
                expected << example.description + QStringLiteral(" vexmoor-cli ") + example.arguments;
        }
        for (const QString &text : std::as_const(expected))
            QVERIFY2(page.contains(oneSpaced(text)), qPrintable(text));
    }

    // Options are offered after a dash, the values of a choice after its
    // option (also as --option=), files where a command reads one.
    void bashCompletion_data()
    {
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<QStringList>("offered");
        QStringList commands;
        for (const auto &command : CliProgram::commands())
            commands << command->name();
        QTest::newRow("commands") << QStringList{"vexmoor-cli", ""} << sorted(commands);
        QTest::newRow("commands by prefix") << QStringList{"vexmoor-cli", "e"} << QStringList{"efetch", "esearch"};
        QTest::newRow("program options") << QStringList{"vexmoor-cli", "-"} << optionWords(CliProgram::globalOptions());
        for (const auto &command : CliProgram::commands()) {
            const QList<CliOption> options = command->allOptions();
            QTest::addRow("%s options", qPrintable(command->name()))
                << QStringList{"vexmoor-cli", command->name(), "-"} << optionWords(options);
            for (const CliOption &option : options) {
                if (option.choices.isEmpty())
                    continue;
                const QString word = QStringLiteral("--") + option.names.last();
                QTest::addRow("%s %s values", qPrintable(command->name()), qPrintable(word))
                    << QStringList{"vexmoor-cli", command->name(), "x", word, ""} << sorted(option.choices);
                QTest::addRow("%s %s= values", qPrintable(command->name()), qPrintable(word))
                    << QStringList{"vexmoor-cli", command->name(), word, "="} << sorted(option.choices);
                QTest::addRow("%s %s=first value", qPrintable(command->name()), qPrintable(word))
                    << QStringList{"vexmoor-cli", command->name(), word, "=", option.choices.first()}
                    << QStringList{option.choices.first()};
            }
        }
        QTest::newRow("a number is typed") << QStringList{"vexmoor-cli", "search", "--batch", ""} << QStringList();
        QTest::newRow("a query is typed") << QStringList{"vexmoor-cli", "search", "--all", ""} << QStringList();
        QTest::newRow("files, with spaces") << QStringList{"vexmoor-cli", "cite", "--format", "rtf", "sa"}
                                            << QStringList{"saved answer.xml"};
        QTest::newRow("files of every command") << QStringList{"vexmoor-cli", "efetch", ""}
                                                << QStringList{"other.txt", "saved answer.xml"};
    }
    void bashCompletion()
    {
        QFETCH(QStringList, words);
        QFETCH(QStringList, offered);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        for (const QString &name : {QStringLiteral("saved answer.xml"), QStringLiteral("other.txt")}) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QCOMPARE(completions(words, dir.path()), offered);
    }
};

QTEST_GUILESS_MAIN(CliDocsTest)
#include "CliDocsTest.moc"
