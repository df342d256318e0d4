#include "gui/articles/ExportFileDialog.h"

#include "gui/mainwindow/AppMessages.h"

#include <QFileDialog>
#include <QFileInfo>

std::optional<ExportTarget> chooseExportFile(QWidget *parent, const QString &title)
{
    const QStringList filters = ExportFormats::fileDialogFilters();
    const QList<ExportFormat> formats = ExportFormats::all();
    QFileDialog dialog(parent, title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(ExportFormats::extension(formats.first()));
    dialog.selectFile(AppMessages::ExportFileName + QLatin1Char('.') + ExportFormats::extension(formats.first()));
    // A name typed without an extension gets the chosen filter's.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString &filter) {
        dialog.setDefaultSuffix(ExportFormats::extension(formats.value(filters.indexOf(filter), formats.first())));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    QString path = dialog.selectedFiles().first();
    const ExportFormat chosen = formats.value(filters.indexOf(dialog.selectedNameFilter()), formats.first());
    // Not every dialog adds the default suffix itself.
    if (QFileInfo(path).suffix().isEmpty())
        path += QLatin1Char('.') + ExportFormats::extension(chosen);
    return ExportTarget{path, ExportFormats::forFileName(path).value_or(chosen)};
}
