#pragma once

#include <QString>

// Addresses written into exported references. They name the public services
// whatever hosts the application talks to, since the reader's reference
// manager will follow them.
namespace PublicAddresses {
inline constexpr char PubMedArticle[] = "https://pubmed.ncbi.nlm.nih.gov/";
inline constexpr char DoiResolver[] = "https://doi.org/";
} // namespace PublicAddresses

// The text as one line: every run of white space (line breaks included)
// becomes one space, control characters go, and the ends are trimmed. Tagged
// formats end a value at the line's end, so a line break inside one would
// start a bogus tag or cut the value.
QString singleLine(const QString &text);

// "https://pubmed.ncbi.nlm.nih.gov/PMID/"; empty without a PMID.
QString pubmedUrl(const QString &pmid);
// "https://doi.org/DOI" as the link target, every character a URL may not
// carry percent-encoded; empty without a DOI.
QString doiLink(const QString &doi);
