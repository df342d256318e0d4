#pragma once

#include <QString>

// What the advanced search builder says.
namespace QueryBuilderTexts {
inline const QString Title = QStringLiteral("Advanced Search");
inline const QString AddRow = QStringLiteral("Add &Row");
inline const QString HistoryLabel = QStringLiteral("Hist&ory:");
inline const QString AddHistory = QStringLiteral("A&dd");
inline const QString QueryLabel = QStringLiteral("&Query (edit it freely):");
inline const QString Search = QStringLiteral("Search");
inline const QString SearchInNewTab = QStringLiteral("Search in &New Tab");
inline const QString ToSearchField = QStringLiteral("&Put in Search Field");
inline const QString OperatorName = QStringLiteral("Operator");
inline const QString FieldName = QStringLiteral("Field");
inline const QString TermName = QStringLiteral("Term");
inline const QString TermToName = QStringLiteral("Up to date");
inline const QString Present = QStringLiteral("present");
inline const QString DateFrom = QStringLiteral("yyyy/mm/dd");
inline const QString Count = QStringLiteral("Count");
inline const QString CountHelp = QStringLiteral("How many articles this row alone finds");
inline const QString Counting = QStringLiteral("counting\u2026");
inline const QString CountFailed = QStringLiteral("no count");
inline const QString RemoveRow = QStringLiteral("Remove this row");
inline const QString NotADate = QStringLiteral("dates are yyyy, yyyy/mm or yyyy/mm/dd");
} // namespace QueryBuilderTexts
