#include "gui/history/SearchLogExport.h"

#include "gui/widgets/AlertPresenter.h"
#include "gui/mainwindow/AppMessages.h"
#include "gui/history/HistoryTexts.h"
#include "export/ExportFile.h"
#include "search/SearchMessages.h"

#include <QFileDialog>
#include <QFileInfo>

namespace {
struct FormatChoice
{
    SearchLogExport::Format format;
    QString filter;
    QString extension;
};
const FormatChoice kFormats[] = {{SearchLogExport::Format::Csv, QStringLiteral("CSV (*.csv)"), QStringLiteral("csv")},
                                 {SearchLogExport::Format::Markdown, QStringLiteral("Markdown (*.md)"),
                                  QStringLiteral("md")}};
const FormatChoice &choiceByFilter(const QString &filter)
{
    for (const FormatChoice &choice : kFormats) {
        if (choice.filter == filter)
            return choice;
    }
    return kFormats[0];
}
} // namespace

std::optional<SearchLogExport::Target> SearchLogExport::chooseFile(QWidget *parent)
{
    QStringList filters;
    for (const FormatChoice &choice : kFormats)
        filters.append(choice.filter);
    QFileDialog dialog(parent, HistoryTexts::ExportLogTitle);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(kFormats[0].extension);
    dialog.selectFile(HistoryTexts::ExportLogFileName + QLatin1Char('.') + kFormats[0].extension);
    // A name typed without an extension gets the chosen filter's.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&](const QString &filter) { dialog.setDefaultSuffix(choiceByFilter(filter).extension); });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    QString path = dialog.selectedFiles().first();
    const FormatChoice &chosen = choiceByFilter(dialog.selectedNameFilter());
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix.isEmpty())
        path += QLatin1Char('.') + chosen.extension;
    for (const FormatChoice &choice : kFormats) {
        if (choice.extension == suffix)
            return Target{path, choice.format};
    }
    return Target{path, chosen.format};
}

std::optional<QString> SearchLogExport::write(const Target &target, const SearchLog::Entries &entries)
{
    return writeFileAtomically(target.path, [&](QIODevice &file) {
        return SearchLog::write(target.format, entries, [&file](const QByteArray &bytes) {
            return file.write(bytes) == bytes.size();
        });
    });
}

void SearchLogExport::tellFailure(const Target &target, const QString &reason, AlertPresenter &alerts, QWidget *parent)
{
    alerts.run({Alert::Style::Warning, AppMessages::ExportFailedTitle,
                AppMessages::exportFailed(QFileInfo(target.path).fileName()), reason, {SearchMessages::OK}},
               parent);
}
