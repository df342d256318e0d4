// vexmoor-cli's arguments: usage errors of every kind end with the usage and
// status 2, help and version, the option forms the parser takes, and the
// environment fallback of an option; the JSON a record is printed as.
#include "cli/CliCommands.h"
#include "cli/CliProgram.h"
#include "CliRun.h"
#include "common/Version.h"
#include "entrez/ArticleRecord.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <algorithm>

namespace {

const QString kAnswer = QStringLiteral(VEXMOOR_TESTDATA_DIR "/efetch/biopython_pubmed1.xml");

// A command whose run only records what it was given.
struct RecordingCommand
{
    QString key;
    QString mode;
    const CliCommand command{{.name = QStringLiteral("probe"),
                              .options = {{.names = {QStringLiteral("key")},
                                           .valueName = QStringLiteral("KEY"),
                                           .defaultValue = QStringLiteral("none"),
                                           .environment = QStringLiteral("VEXMOOR_TEST_KEY")},
                                          {.names = {QStringLiteral("mode")},
                                           .valueName = QStringLiteral("MODE"),
                                           .choices = {QStringLiteral("a"), QStringLiteral("b")},
                                           .environment = QStringLiteral("VEXMOOR_TEST_MODE")}}},
                             [this](const CliCommand &, const CliParsedArguments &arguments) {
                                 key = arguments.value(QStringLiteral("key"));
                                 mode = arguments.value(QStringLiteral("mode"));
                                 return 0;
                             }};
};

} // namespace

class CliOptionsTest : public QObject
{
    Q_OBJECT

private slots:
    // A record's text reads back from its JSON line as it was, wherever in
    // a run of plain bytes the characters to escape stand.
    void jsonKeepsEveryCharacter_data()
    {
        QTest::addColumn<QByteArray>("text");
        const QByteArray plain = "0123456789abcdefghijklmnopqrstuv";
        QTest::newRow("plain, longer than a block") << plain + plain;
        for (const int at : {0, 15, 16, 17, 31})
            QTest::addRow("quote, backslash and tab at %d", at) << plain.left(at) + "\"\\\t" + plain;
        QTest::newRow("every control character") << QByteArray("\x01\x02\x08\n\r\x1b\x1f after them") + plain;
        QTest::newRow("bytes above 0x7F are no control") << QByteArray("caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \x7F \"") + plain;
    }
    void jsonKeepsEveryCharacter()
    {
        QFETCH(QByteArray, text);
        ArticleRecord::Builder builder;
        builder.text(ArticleRecord::Key::Journal) = text.toStdString();
        std::string line;
        appendRecordJson(line, builder.build("x"));
        // Qt's reader takes raw control characters, which JSON does not.
        QVERIFY(std::none_of(line.begin(), line.end() - 1, [](char c) { return static_cast<unsigned char>(c) < 0x20; }));
        QJsonParseError error;
        const QJsonDocument json = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
        QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString()));
        QCOMPARE(json.object().value(QStringLiteral("journal")).toString(), QString::fromUtf8(text));
    }

    // Nothing on standard output; the reason and then the usage of the
    // command (or of the program) on standard error.
    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("usage");
        const QString program = QStringLiteral("Usage: vexmoor-cli [OPTIONS] COMMAND");
        QTest::newRow("no command") << QStringList() << "no command given" << program;
        QTest::newRow("unknown command") << QStringList{"fetch"} << "unknown command \"fetch\"" << program;
        QTest::newRow("unknown program option") << QStringList{"--verbose", "cite"} << "Unknown option 'verbose'" << program;
        QTest::newRow("unknown option") << QStringList{"cite", "-", "--colour"} << "Unknown option 'colour'"
                                        << "Usage: vexmoor-cli cite [OPTIONS] FILE";
        QTest::newRow("missing value") << QStringList{"search", "x", "--batch"} << "Missing value after '--batch'"
                                       << "Usage: vexmoor-cli search [OPTIONS] QUERY";
        QTest::newRow("value for a switch") << QStringList{"search", "x", "--all=yes"} << "Unexpected value after '--all'"
                                            << "Usage: vexmoor-cli search";
        QTest::newRow("value not offered") << QStringList{"cite", "-", "--format=pdf"}
                                           << "--format takes plain, rtf or html, not \"pdf\"" << "Usage: vexmoor-cli cite";
        QTest::newRow("empty value") << QStringList{"search", "x", "--format", ""} << "--format takes json, plain, rtf, html, ris, bibtex, medline or csv"
                                     << "Usage: vexmoor-cli search";
        QTest::newRow("no argument") << QStringList{"efetch"} << "no FILE given" << "Usage: vexmoor-cli efetch";
        QTest::newRow("extra argument") << QStringList{"esearch", "a.xml", "b.xml"} << "unexpected argument \"b.xml\""
                                        << "Usage: vexmoor-cli esearch";
        QTest::newRow("batch not a number") << QStringList{"search", "x", "--batch", "ten"} << "--batch takes a number from 1 to"
                                            << "Usage: vexmoor-cli search";
    }
    void usageErrors()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, reason);
        QFETCH(QString, usage);
        const CliRun run = runCli(args);
        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.out.isEmpty());
        const QString err = QString::fromUtf8(run.err);
        QVERIFY2(err.contains(reason), qPrintable(err));
        QVERIFY2(err.indexOf(usage) > err.indexOf(reason), qPrintable(err));
    }

    // Each command's help, wherever --help stands, and the program's: on
    // standard output, status 0, and every option of the command's table.
    void help_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("command");
        QTest::newRow("program") << QStringList{"--help"} << QString();
        QTest::newRow("program, short") << QStringList{"-h"} << QString();
        for (const auto &command : CliProgram::commands())
            QTest::addRow("%s", qPrintable(command->name())) << QStringList{command->name(), "--help"} << command->name();
        QTest::newRow("after the arguments") << QStringList{"cite", "missing.xml", "--format", "rtf", "-h"} << "cite";
    }
    void help()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, command);
        const CliRun run = runCli(args);
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.err.isEmpty());
        const QString out = QString::fromUtf8(run.out);
        if (command.isEmpty()) {
            QVERIFY(out.startsWith(CliProgram::usage()));
            for (const auto &each : CliProgram::commands())
                QVERIFY2(out.contains(QStringLiteral("\n  %1  ").arg(each->name())), qPrintable(each->name()));
            return;
        }
        QVERIFY(out.startsWith(QStringLiteral("Usage: vexmoor-cli %1 ").arg(command)));
        const auto found = std::find_if(CliProgram::commands().cbegin(), CliProgram::commands().cend(),
                                        [&](const auto &each) { return each->name() == command; });
        for (const CliOption &option : (*found)->allOptions())
            QVERIFY2(out.contains(QStringLiteral("\n  ") + CliText::optionSyntax(option)), qPrintable(option.names.last()));
    }

    void version()
    {
        const CliRun run = runCli({QStringLiteral("--version")});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QByteArray("vexmoor-cli ") + kAppVersion + '\n');
    }

    // Output that cannot be written is a failure, whatever the command.
    void fullOutput_data()
    {
        QTest::addColumn<QStringList>("args");
        for (const char *format : {"plain", "rtf", "html"})
            QTest::addRow("cite %s", format) << QStringList{"cite", kAnswer, "--format", format};
        for (const char *format : {"json", "ris", "bibtex", "medline", "csv"})
            QTest::addRow("efetch %s", format) << QStringList{"efetch", kAnswer, "--format", format};
        QTest::newRow("esearch") << QStringList{"esearch", VEXMOOR_TESTDATA_DIR "/esearch/biopython_esearch1.xml"};
        QTest::newRow("help") << QStringList{"--help"};
    }
    void fullOutput()
    {
        QFETCH(QStringList, args);
        const CliRun run = runCli(args, {}, QProcessEnvironment::systemEnvironment(), QStringLiteral("/dev/full"));
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.err, kOutputLost);
    }

    // The forms Qt's parser accepts all reach the command.
    void optionForms_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("start");
        QTest::newRow("--format=rtf") << QStringList{"cite", kAnswer, "--format=rtf"} << QByteArray("{\\rtf1");
        QTest::newRow("options first") << QStringList{"cite", "--format", "html", kAnswer} << QByteArray("Olivero JM. <a href=");
        QTest::newRow("last one counts") << QStringList{"cite", kAnswer, "--format", "rtf", "--format", "plain"}
                                         << QByteArray("Olivero JM. The treatment");
        QTest::newRow("file after --") << QStringList{"cite", "--", kAnswer} << QByteArray("Olivero JM. The treatment");
    }
    void optionForms()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, start);
        const CliRun run = runCli(args);
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.out.startsWith(start), run.out.left(80).constData());
    }

    // The command line wins over the environment, which wins over the default;
    // a choice given by the environment is checked like one on the line.
    void environmentFallback_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("keyVariable");
        QTest::addColumn<QByteArray>("modeVariable");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("mode");
        QTest::newRow("default") << QStringList() << QByteArray() << QByteArray() << 0 << "none" << "";
        QTest::newRow("environment") << QStringList() << QByteArray("k1") << QByteArray("b") << 0 << "k1" << "b";
        QTest::newRow("option first") << QStringList{"--key", "k2", "--mode", "a"} << QByteArray("k1") << QByteArray("b") << 0
                                      << "k2" << "a";
        QTest::newRow("bad choice from the environment") << QStringList() << QByteArray() << QByteArray("c") << 2 << "" << "";
    }
    void environmentFallback()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, keyVariable);
        QFETCH(QByteArray, modeVariable);
        QFETCH(int, exitCode);
        QFETCH(QString, key);
        QFETCH(QString, mode);
        const auto setOrUnset = [](const char *name, const QByteArray &value) {
            value.isEmpty() ? qunsetenv(name) : qputenv(name, value);
        };
        setOrUnset("VEXMOOR_TEST_KEY", keyVariable);
        setOrUnset("VEXMOOR_TEST_MODE", modeVariable);
        RecordingCommand probe;
        QCOMPARE(probe.command.execute(args), exitCode);
        QCOMPARE(probe.key, key);
        QCOMPARE(probe.mode, mode);
    }
};

QTEST_GUILESS_MAIN(CliOptionsTest)
#include "CliOptionsTest.moc"
