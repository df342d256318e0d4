#pragma once

#include <QString>
#include <QStringList>

// What the library's actions tell the user, in one place for the window and
// the command line.
namespace LibraryMessages {

inline QString articles(qsizetype count)
{
    return count == 1 ? QStringLiteral("1 article") : QStringLiteral("%1 articles").arg(count);
}
// "2 articles changed; 1 is now retracted"
inline QString refreshed(qsizetype changed, qsizetype retracted, qsizetype gone)
{
    QString text = changed == 0 ? QStringLiteral("No article changed")
                                : articles(changed) + QStringLiteral(" changed");
    if (retracted > 0)
        text += retracted == 1 ? QStringLiteral("; 1 is now retracted") : QStringLiteral("; %1 are now retracted").arg(retracted);
    if (gone > 0)
        text += gone == 1 ? QStringLiteral("; 1 is no longer in PubMed")
                          : QStringLiteral("; %1 are no longer in PubMed").arg(gone);
    return text;
}
// Progress of a download: how many of the articles asked for arrived.
inline QString downloaded(qsizetype done, qsizetype total)
{
    return QStringLiteral("%1 of %2").arg(done).arg(total) + (total == 1 ? QStringLiteral(" article downloaded")
                                                                          : QStringLiteral(" articles downloaded"));
}
// "3 articles added to Sepsis"
inline QString added(qsizetype count, const QString &collection)
{
    return articles(count) + QStringLiteral(" added to ") + collection;
}
inline QString notFound(const QStringList &identifiers)
{
    return QStringLiteral("Not found: ") + identifiers.join(QStringLiteral(", "));
}
inline QString downloadFailed(const QString &reason)
{
    return QStringLiteral("The download failed: ") + reason;
}
inline QString lookupFailed(const QString &identifier, const QString &reason)
{
    return QStringLiteral("%1 could not be looked up: %2").arg(identifier, reason);
}
inline QString unreadableAnswer()
{
    return QStringLiteral("PubMed's answer could not be read.");
}

inline QString newerLibrary(const QString &path)
{
    return QStringLiteral("The library %1 was written by a newer Vexmoor; it is left as it is.").arg(path);
}
inline QString damagedLibrary(const QString &path, const QString &movedTo)
{
    return QStringLiteral("The library %1 was damaged; it was moved to %2 and a new, empty one was started.")
        .arg(path, movedTo);
}
// A file that could not be read is left where it is: nothing says it is damaged.
inline QString unreadableLibrary(const QString &path, const QString &reason)
{
    return QStringLiteral("The library %1 cannot be read: %2. It was left as it is.").arg(path, reason);
}
inline QString soundLibrary(const QString &path)
{
    return QStringLiteral("The library %1 was read through: no damage found.").arg(path);
}
inline QString tooManyWords(int most)
{
    return QStringLiteral("A library search takes at most %1 words.").arg(most);
}
inline QString noFullTextPart(const QString &part)
{
    return QStringLiteral("The full texts have no part named %1.").arg(part);
}
inline QString noCollection(const QString &name)
{
    return QStringLiteral("There is no collection named %1.").arg(name);
}

inline QString nameMissing()
{
    return QStringLiteral("A collection needs a name.");
}
inline QString nameTaken(const QString &name)
{
    return QStringLiteral("There is already a collection named %1.").arg(name);
}
inline QString collectionGone()
{
    return QStringLiteral("That collection is no longer in the library.");
}
inline QString noPmid()
{
    return QStringLiteral("An article without a PMID cannot be kept in the library.");
}
inline QString noteWithoutArticle()
{
    return QStringLiteral("Only an article kept in the library can have a note.");
}
inline QString damagedRecord(const QString &path)
{
    return QStringLiteral("The library %1 holds a damaged record.").arg(path);
}
inline QString backupFailed(const QString &target)
{
    return QStringLiteral("The back-up could not be written to %1.").arg(target);
}
inline QString backupOverLibrary(const QString &target)
{
    return QStringLiteral("The back-up cannot replace the library itself or its journals (%1): choose another file.").arg(target);
}

inline QString fullTextNotKept(const QString &path)
{
    return QStringLiteral("The full text could not be kept at %1.").arg(path);
}

inline QString fullTextMissing(const QString &path)
{
    return QStringLiteral("The kept full text %1 is missing or damaged; get the full text again.").arg(path);
}

} // namespace LibraryMessages
