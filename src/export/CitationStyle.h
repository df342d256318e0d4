#pragma once

#include "citations/RichText.h"
#include "export/Reference.h"

#include <QList>
#include <QString>

#include <optional>

class ArticleRecord;
struct Endpoints;

// The citation styles a user can pick. Vexmoor is the application's own
// citation; the others follow the published guides: NLM (Citing Medicine, as
// PubMed gives it), AMA (11th edition), APA (7th edition), MLA (9th edition).
enum class CitationStyle { Vexmoor, Nlm, Ama, Apa, Mla };

namespace CitationStyles {
QList<CitationStyle> all();
// "Vexmoor", "NLM", "AMA", "APA", "MLA": shown to the user and stored.
QString name(CitationStyle style);
// The style with that name, case-blind; none for any other text.
std::optional<CitationStyle> named(const QString &name);

// The citation of `reference` in one of the guides' styles (not Vexmoor):
// italics where the guide sets them, the DOI as a link, no line break at the
// end. Missing parts are left out with their punctuation. A retracted
// article's citation ends with its retraction note (retractionNote()).
RichText cite(CitationStyle style, const Reference &reference);

// The NLM source line, as PubMed's SO field and the NLM style give it:
// "J Abbr. 2004 Mar;12(3):211-9. doi: 10.x."
QString nlmSource(const Reference &reference);

// What the citation view shows for one article: the application's plain
// citation, its title in its inline styles, for Vexmoor; the style's citation
// otherwise.
RichText citationForArticle(CitationStyle style, const ArticleRecord &article);

// What Copy and drag carry for the given rows (ascending, each once, rows
// outside the list ignored): the rich citations in the style, each followed
// by an empty line.
RichText exportTextInStyle(CitationStyle style, const QList<ArticleRecord> &articles, QList<qsizetype> rows,
                           const Endpoints &endpoints);
} // namespace CitationStyles
