#pragma once

#include <QString>

// What the window says about the search history.
namespace HistoryTexts {
inline const QString NoLibrary =
    QStringLiteral("Not available: the library could not be opened when Vexmoor started.");
inline const QString ClearTitle = QStringLiteral("Clear History");
inline const QString ClearMessage = QStringLiteral("Clear the whole search history?");
inline const QString ClearInformative =
    QStringLiteral("Every search in the history is removed, and the search field no longer offers them. "
                   "Saved searches stay.");
inline const QString ClearButton = ClearTitle;
inline const QString WindowTitle = QStringLiteral("Search History");
inline const QString HistoryFailedTitle = WindowTitle;
inline const QString HistoryFailed = QStringLiteral("The search history could not be changed.");
inline const QString ExportLogTitle = QStringLiteral("Export Search Log");
inline const QString ExportLogFileName = QStringLiteral("search-log");
} // namespace HistoryTexts
