#pragma once

#include "library/HistoryEntry.h"

#include <QList>
#include <QString>

#include <optional>

class AlertPresenter;
class QWidget;

// File > Export Search Log: the history's entries as CSV or Markdown, in a
// file the user picks.
namespace SearchLogExport {
enum class Format { Csv, Markdown };
struct Target
{
    QString path;
    Format format;
};
// Asks where to write the log and in which format: the name's extension
// ("csv", "md") picks it, else the chosen filter does. None when cancelled.
std::optional<Target> chooseFile(QWidget *parent);
// Writes `entries` (oldest first, as a log reads) to `target`; a failure
// is shown through `alerts`.
bool write(const Target &target, const QList<HistoryEntry> &entries, AlertPresenter &alerts, QWidget *parent);
} // namespace SearchLogExport
