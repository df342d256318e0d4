#pragma once

#include <QString>

// The texts of Find Articles from References.
namespace ReferenceTexts {
inline const QString MenuItem = QStringLiteral("Find Articles from &References\u2026");
inline const QString Title = QStringLiteral("Find Articles from References");
inline const QString Prompt = QStringLiteral(
    "&Paste a reference list (numbered, one per line, or in blocks), as Vancouver, AMA or APA references:");
inline const QString Find = QStringLiteral("&Find Articles");
inline const QString Stop = QStringLiteral("&Stop");
inline const QString Open = QStringLiteral("&Open as Tab");
inline const QString ReferenceColumn = QStringLiteral("Reference");
inline const QString PmidColumn = QStringLiteral("PMID");
inline const QString HowColumn = QStringLiteral("Found by");
inline const QString ListName = QStringLiteral("Reference list");
inline const QString ResultsName = QStringLiteral("Matched references");
inline const QString EditHint = QStringLiteral("Type a PMID, or pick one of the candidates, to change the match.");
inline QString candidates(const QString &list)
{
    return QStringLiteral("Candidates: %1").arg(list);
}
inline QString pmidOf(int row)
{
    return QStringLiteral("PMID of reference %1").arg(row + 1);
}
} // namespace ReferenceTexts
