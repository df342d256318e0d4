#pragma once

#include "entrez/SearchResult.h"

#include <QByteArray>

#include <optional>

// Reads an ESearch answer body: decoded as UTF-8 (invalid bytes become
// U+FFFD), cleaned with the closing tag "</eSearchResult>", then the Id
// elements of the root's IdList and the root's Count. No document, or no
// Count child of an eSearchResult root, gives nothing. An Id that is not a
// PMID is dropped, and the number dropped is logged.
std::optional<SearchResult> searchResultFromResponse(const QByteArray &body);

// The Count of an ESearch answer (rettype=count gives nothing else); none
// when the answer has no readable count.
std::optional<qint64> countFromResponse(const QByteArray &body);

// The CorrectedQuery of an ESpell answer (an eSpellResult root), trimmed;
// empty when there is none or the answer cannot be read.
QString correctedQueryFromResponse(const QByteArray &body);
