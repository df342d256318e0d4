#pragma once

#include "export/ExportFormat.h"

#include <QString>

#include <optional>

class QWidget;

struct ExportTarget
{
    QString path;
    ExportFormat format;
};

// Asks where to export and in which format: the name's extension picks the
// format, else the chosen filter does (and lends the name its extension).
// None when the user cancels.
std::optional<ExportTarget> chooseExportFile(QWidget *parent, const QString &title);
