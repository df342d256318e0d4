#pragma once

#include "cli/CliCommand.h"

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
// Writes to standard output; a failure is kept for finishStdout().
void writeStdout(const QByteArray &bytes);
// Flushes standard output; false, after a one-line error, when any write to it
// failed (a full disk, a closed pipe), so that no lost output passes as done.
bool finishStdout();
// Flushes standard output: whether everything so far reached it. Says
// nothing; finishStdout() reports the failure at the end.
bool stdoutWritten();
// Writes one line to standard error, its control characters shown as \xHH.
void writeStderrLine(const QString &line);
// `text` without control characters other than line breaks and tabs, for the
// plain-text outputs that carry a record's text to a terminal.
QString withoutControls(const QString &text);
// One field of a tab-separated line: without control characters, each run of
// white space (tabs and line breaks too) one space, so that no name can add
// a column or forge a row.
QString oneField(const QString &text);

// Appends one record as a JSON object on one line (the efetch output format);
// `extraMembers` ("\"key\": value", already JSON) go after the record's own.
void appendRecordJson(std::string &out, const ArticleRecord &record, std::string_view extraMembers = {});

// The FILE argument of the commands that read a saved answer.
inline const CliArgument kSavedAnswerArgument{QStringLiteral("FILE"),
                                              QStringLiteral("The saved answer, or - for standard input."), true};

// The commands, each made of its table and what it runs.
CliCommand esearchCommand();
CliCommand efetchCommand();
CliCommand citeCommand();
CliCommand searchCommand();
CliCommand linkCommand();
CliCommand historyCommand();
CliCommand savedCommand();
CliCommand watchCommand();
CliCommand libraryCommand();
CliCommand meshCommand();
CliCommand timelineCommand();
CliCommand matchCommand();
CliCommand reviewCommand();
CliCommand fulltextCommand();
