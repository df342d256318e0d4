#pragma once

#include "export/Reference.h"

// The made-up article of the worked examples of the export formats and the
// citation styles, with every field they carry; each test changes what it is
// about.

inline ReferenceAuthor person(const char *last, const char *foreName, const char *initials)
{
    return {QString::fromUtf8(last), QString::fromUtf8(foreName), QString::fromUtf8(initials), false};
}

inline const ReferenceAuthor kOkafor = person("Okafor", "Nkem T", "NT");
inline const ReferenceAuthor kLindqvist = person("Lindqvist", "Erik", "E");
inline const ReferenceAuthor kGroup{QStringLiteral("Shore Crab Study Group"), QString(), QString(), true};

inline Reference workedArticle(QList<ReferenceAuthor> authors = {kOkafor, kLindqvist, kGroup})
{
    Reference r;
    r.authors = std::move(authors);
    r.title = QStringLiteral("Tidal rhythms in the foraging of shore crabs.");
    r.containerTitle = QStringLiteral("Journal of Coastal Ecology");
    r.journalAbbreviation = QStringLiteral("J Coast Ecol");
    r.date = QStringLiteral("2004");
    r.month = QStringLiteral("Mar");
    r.volume = QStringLiteral("12");
    r.issue = QStringLiteral("3");
    r.pages = QStringLiteral("211-9");
    r.abstract = QStringLiteral("BACKGROUND: Crabs forage.\nRESULTS: At low tide.");
    // The underscore is a TeX special that a BibTeX doi field keeps as it is.
    r.doi = QStringLiteral("10.5555/jce_2004.0211");
    r.pmid = QStringLiteral("99999999");
    r.pmcid = QStringLiteral("PMC1234567");
    r.issn = {QStringLiteral("1234-5678 (Print)"), QStringLiteral("1234-5678 (Linking)")};
    r.language = {QStringLiteral("eng")};
    r.publicationTypes = {QStringLiteral("Journal Article")};
    r.mesh = {QStringLiteral("Brachyura/*physiology"), QStringLiteral("Tidal Waves")};
    r.elocationIds = {QStringLiteral("10.5555/jce_2004.0211 [doi]")};
    r.articleIds = r.elocationIds;
    r.keywords = {QStringLiteral("foraging")};
    return r;
}
