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
// "3 articles added to Sepsis"
inline QString added(qsizetype count, const QString &collection)
{
    return articles(count) + QStringLiteral(" added to ") + collection;
}
inline QString notFound(const QStringList &identifiers)
{
    return QStringLiteral("Not found: ") + identifiers.join(QStringLiteral(", "));
}
inline QString noIdentifiers()
{
    return QStringLiteral("No PMID, DOI or PMCID was found in the text.");
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

} // namespace LibraryMessages
