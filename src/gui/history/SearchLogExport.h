#pragma once

#include "library/SearchLog.h"

#include <QList>
#include <QString>

#include <optional>

class AlertPresenter;
class QWidget;

// File > Export Search Log: the history's entries as CSV or Markdown, in a
// file the user picks.
namespace SearchLogExport {
using Format = SearchLog::Format;
struct Target
{
    QString path;
    Format format;
};
// Asks where to write the log and in which format: the name's extension
// ("csv", "md") picks it, else the chosen filter does. None when cancelled.
std::optional<Target> chooseFile(QWidget *parent);
// Writes the log of `entries` (oldest first, as a log reads) to `target`,
// row by row as they are read; the reason when it failed.
std::optional<QString> write(const Target &target, const SearchLog::Entries &entries);
// Tells the user why the log could not be written to `target`.
void tellFailure(const Target &target, const QString &reason, AlertPresenter &alerts, QWidget *parent);
} // namespace SearchLogExport
