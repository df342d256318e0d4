#pragma once

#include "ProgramRun.h"

#include <QByteArray>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

// Runs a reader of exported files on `input` (written to a file first) and
// returns what it printed; fails the test when the reader cannot run or fails.
inline QByteArray runConsumer(const QString &program, QStringList arguments, const QByteArray &input,
                              const QString &fileName)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(fileName);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(input) != input.size())
        return {};
    file.close();
    arguments << path;
    const ProgramRun run = runProgram(program, arguments, {}, QProcessEnvironment::systemEnvironment(), {}, 120000);
    if (run.exitCode != 0) {
        qWarning().noquote() << program << arguments.join(u' ') << "failed:" << run.err;
        return {};
    }
    return run.out;
}

// Rows of a CSV file as Python's csv module reads it in strict mode (any
// stray quote is an error), as a JSON array of arrays of strings.
inline QJsonArray strictCsvRows(const QByteArray &csv)
{
    static const QString script = QStringLiteral(
        "import csv, json, sys\n"
        "with open(sys.argv[1], newline='', encoding='utf-8-sig') as f:\n"
        "    rows = list(csv.reader(f, strict=True))\n"
        "json.dump(rows, sys.stdout)\n");
    const QByteArray out = runConsumer(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script}, csv,
                                       QStringLiteral("export.csv"));
    return QJsonDocument::fromJson(out).array();
}
