#pragma once

#include "references/ReferenceMatch.h"

#include <QString>

// What the matching of a reference list tells the user, in the window and on
// the command line.
namespace ReferenceMessages {
// How a reference was matched, in one word or two.
inline QString how(ReferenceMatch::How how)
{
    switch (how) {
    case ReferenceMatch::How::Identifier:
        return QStringLiteral("identifier");
    case ReferenceMatch::How::CitationMatch:
        return QStringLiteral("citation match");
    case ReferenceMatch::How::Search:
        return QStringLiteral("search");
    case ReferenceMatch::How::Ambiguous:
        return QStringLiteral("ambiguous");
    case ReferenceMatch::How::NotFound:
        break;
    case ReferenceMatch::How::NotAReference:
        return QStringLiteral("not a reference");
    case ReferenceMatch::How::Edited:
        return QStringLiteral("edited");
    }
    return QStringLiteral("not found");
}
inline QString matchingReferences(qsizetype count)
{
    return QStringLiteral("Reading %1 references…").arg(count);
}
inline QString convertingIdentifiers(qsizetype count)
{
    return QStringLiteral("Looking up %1 DOIs and PMCIDs…").arg(count);
}
inline QString matchingCitations(qsizetype count)
{
    return QStringLiteral("Matching %1 citations…").arg(count);
}
inline QString searching(qsizetype count)
{
    return QStringLiteral("Searching PubMed for %1 references…").arg(count);
}
inline QString identifierLookupFailed(const QString &reason)
{
    return QStringLiteral("DOIs and PMCIDs not looked up: ") + reason;
}
inline QString citationMatchFailed(const QString &reason)
{
    return QStringLiteral("citations not matched: ") + reason;
}
inline QString searchFailed(const QString &reason)
{
    return QStringLiteral("references not searched for: ") + reason;
}
// "References pasted (23 of 25 found)": the tab of the matched articles.
inline QString tabTitle(qsizetype found, qsizetype references)
{
    return QStringLiteral("References pasted (%1 of %2 found)").arg(found).arg(references);
}
inline QString summary(qsizetype found, qsizetype references)
{
    return QStringLiteral("%1 of %2 references found").arg(found).arg(references);
}
} // namespace ReferenceMessages
