#pragma once

#include <QString>

// What the window says about the saved searches.
namespace SavedSearchTexts {
inline const QString SaveTitle = QStringLiteral("Save Search");
inline const QString NameLabel = QStringLiteral("Name:");
inline const QString RenameTitle = QStringLiteral("Rename Saved Search");
inline const QString EditTitle = QStringLiteral("Edit Query");
inline const QString QueryLabel = QStringLiteral("Query:");
inline const QString NothingToSave = QStringLiteral("Search first: the current tab holds no query to save.");
inline const QString RemoveTitle = QStringLiteral("Remove Saved Search");
inline QString removeMessage(const QString &name)
{
    return QStringLiteral("Remove the saved search \u201c%1\u201d?").arg(name);
}
inline const QString RemoveInformative = QStringLiteral("Its query and the articles it has found are forgotten.");
inline const QString RemoveButton = QStringLiteral("Remove");
inline const QString DockTitle = QStringLiteral("Saved Searches");
inline const QString FailedTitle = DockTitle;
inline const QString Failed = QStringLiteral("The saved searches could not be changed.");
inline QString checking(const QString &name)
{
    return QStringLiteral("Checking \u201c%1\u201d\u2026").arg(name);
}
inline QString checked(const QString &name, qsizetype added, bool first)
{
    if (first)
        return QStringLiteral("\u201c%1\u201d: first check; later checks report what PubMed adds.").arg(name);
    return added == 0 ? QStringLiteral("\u201c%1\u201d: nothing new.").arg(name)
                      : QStringLiteral("\u201c%1\u201d: %2 new.").arg(name).arg(added);
}
inline QString checkFailed(const QString &name, const QString &reason)
{
    return QStringLiteral("\u201c%1\u201d could not be checked: %2").arg(name, reason);
}
} // namespace SavedSearchTexts
