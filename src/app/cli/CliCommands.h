#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <string>

class ArticleRecord;

// Subcommands of vexmoor-cli. Each takes the arguments after its name, writes
// results to standard output and diagnostics to standard error, and returns
// the process exit status.
int runEsearchCommand(const QStringList &args);
int runEfetchCommand(const QStringList &args);
int runCiteCommand(const QStringList &args);
int runSearchCommand(const QStringList &args);

// Reads a whole file, or standard input for "-". On failure prints a one-line
// error to standard error and returns nothing.
std::optional<QByteArray> readCliInput(const QString &path);
void writeStdout(const QByteArray &bytes);
void writeStderrLine(const QString &line);

// Appends one record as a JSON object on one line (the efetch output format).
void appendRecordJson(std::string &out, const ArticleRecord &record);
