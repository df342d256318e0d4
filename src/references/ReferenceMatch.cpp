#include "references/ReferenceMatch.h"

#include <QSet>

#include <algorithm>

qsizetype ReferenceMatching::referenceCount() const
{
    return std::count_if(matches.cbegin(), matches.cend(),
                         [](const ReferenceMatch &match) { return match.how != ReferenceMatch::How::NotAReference; });
}

qsizetype ReferenceMatching::foundCount() const
{
    return std::count_if(matches.cbegin(), matches.cend(), [](const ReferenceMatch &match) { return match.found(); });
}

QStringList ReferenceMatching::pmids() const
{
    QStringList pmids;
    for (const ReferenceMatch &match : matches) {
        if (match.found() && !pmids.contains(match.pmid))
            pmids.append(match.pmid);
    }
    return pmids;
}

QStringList ReferenceMatching::textsOfPmids() const
{
    QStringList texts;
    QSet<QString> seen;
    for (const ReferenceMatch &match : matches) {
        if (match.found() && !seen.contains(match.pmid)) {
            seen.insert(match.pmid);
            texts.append(match.text);
        }
    }
    return texts;
}
