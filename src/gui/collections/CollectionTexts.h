#pragma once

#include <QString>

// What the window says about collections, notes and the library, in one place.
namespace CollectionTexts {
inline const QString LibraryMark = QStringLiteral("\u25CF");
inline const QString InLibrary = QStringLiteral("In your library");
inline const QString LibraryColumnTitle = QStringLiteral("\u25CF");
inline const QString DockTitle = QStringLiteral("Collections");
inline const QString AddToCollection = QStringLiteral("Add &to Collection");
inline const QString NewCollection = QStringLiteral("&New Collection\u2026");
inline const QString NewCollectionTitle = QStringLiteral("New Collection");
inline const QString RenameTitle = QStringLiteral("Rename Collection");
inline const QString CollectionName = QStringLiteral("Name of the collection:");
inline const QString DeleteTitle = QStringLiteral("Delete Collection");
inline QString deleteQuestion(const QString &name)
{
    return QStringLiteral("Delete the collection \u201C%1\u201D? Its articles stay in your library only where another "
                          "collection holds them or they have a note.")
        .arg(name);
}
inline const QString Delete = QStringLiteral("Delete");
inline const QString Cancel = QStringLiteral("Cancel");
inline const QString OK = QStringLiteral("OK");
inline const QString LibraryErrorTitle = QStringLiteral("Library Error");
inline const QString NoLibrary =
    QStringLiteral("Your library could not be opened when Vexmoor started, so collections and notes are not available.");
inline const QString NoteHint = QStringLiteral("Your note on this article");
inline const QString NoteUnavailable = QStringLiteral("Add the article to a collection to keep a note on it");
inline QString searchTitle(const QString &text)
{
    return QStringLiteral("Library: ") + text;
}
inline QString searchTitleIn(const QString &text, const QString &collection)
{
    return collection + QStringLiteral(": ") + text;
}
inline QString withSize(const QString &name, qint64 size)
{
    return QStringLiteral("%1 (%2)").arg(name).arg(size);
}
inline QString adding(const QString &collection)
{
    return QStringLiteral("adding articles to %1\u2026").arg(collection);
}
inline QString removed(qsizetype count)
{
    return count == 1 ? QStringLiteral("1 article removed from the collection (Ctrl+Z puts it back)")
                      : QStringLiteral("%1 articles removed from the collection (Ctrl+Z puts them back)").arg(count);
}
inline const QString UpdatingTitle = QStringLiteral("Update Records");
inline const QString Updating = QStringLiteral("Fetching the collection's records from PubMed\u2026");
// By the rank of a record the last update changed.
inline const QString ChangedMark = QStringLiteral("Changed");
inline const QString ChangedTip = QStringLiteral("PubMed's record changed; the last update stored it");
inline const QString RetractedMark = QStringLiteral("Retracted");
inline const QString RetractedTip = QStringLiteral("Retracted since the collection was last updated");
// `kept`: what the records stored before the cancel changed ("1 article changed").
inline QString updateCancelled(const QString &kept)
{
    return QStringLiteral("Update Records cancelled; what it fetched before is kept: ") + kept;
}
inline const QString NoIdentifiers = QStringLiteral("No PMID, DOI or PMCID was found in the text.");
inline const QString AddIdentifiersTitle = QStringLiteral("Add PMIDs");
inline const QString AddIdentifiersPrompt =
    QStringLiteral("Paste PMIDs, DOIs or PMCIDs, separated in any way. They are looked up in PubMed and added to "
                   "\u201C%1\u201D.");
inline const QString BackUpTitle = QStringLiteral("Back Up Library");
inline const QString BackUpFilter = QStringLiteral("Vexmoor library (*.sqlite)");
inline QString backedUp(const QString &path)
{
    return QStringLiteral("Library backed up to ") + path;
}
inline QString backUpFailed(const QString &reason)
{
    return QStringLiteral("The library could not be backed up: ") + reason;
}
inline const QString NoCollectionOpen = QStringLiteral("Open a collection first: the current tab shows no collection.");
} // namespace CollectionTexts
