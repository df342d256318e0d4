#pragma once

#include "CliCommand.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

#include <optional>
#include <string>

class ArticleRecord;

// What the commands of vexmoor-cli share: they write results to standard
// output and diagnostics to standard error.

// Reads a whole file, or standard input for "-". On failure prints a one-line
// error to standard error and returns nothing.
std::optional<QByteArray> readCliInput(const QString &path);
// Opens a file, or standard input for "-", to be read unbuffered; on failure
// prints a one-line error to standard error.
bool openCliInput(const QString &path, QFile &file);
// Prints the one-line error for a failed read of `file`.
void reportReadError(const QString &path, const QFile &file);
void writeStdout(const QByteArray &bytes);
void writeStderrLine(const QString &line);

// Appends one record as a JSON object on one line (the efetch output format).
void appendRecordJson(std::string &out, const ArticleRecord &record);

// The FILE argument of the commands that read a saved answer.
inline const CliArgument kSavedAnswerArgument{QStringLiteral("FILE"),
                                              QStringLiteral("The saved answer, or - for standard input."), true};

// The commands, each made of its table and what it runs.
CliCommand esearchCommand();
CliCommand efetchCommand();
CliCommand citeCommand();
CliCommand searchCommand();
CliCommand linkCommand();
