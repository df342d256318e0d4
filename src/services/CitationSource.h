#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Where citing articles and reference lists come from. iCite serves the NIH
// Open Citation Collection for every PubMed article, with the Relative
// Citation Ratio; PubMed Central (through ELink) knows only the citing
// articles and reference lists deposited there.
enum class CitationSource { Icite, Pmc };

namespace CitationSources {
QList<CitationSource> all();
// "icite", "pmc": the names the preference stores and the command line takes.
QString name(CitationSource source);
std::optional<CitationSource> named(const QString &name);
QStringList names();
// What the preference and the column's tool tip call it.
QString title(CitationSource source);
// What the source's counts cover, for tool tips and help.
QString coverage(CitationSource source);
} // namespace CitationSources
