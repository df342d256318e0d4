#pragma once

#include "citations/RichText.h"
#include "common/Endpoints.h"
#include "entrez/ArticleRecord.h"

#include <QList>
#include <QString>

// Citations of one article. Values are used as the record holds them:
// nothing is trimmed, escaped or re-punctuated, but an empty part is left
// out with the punctuation around it.

// "Retraction in: <notice source>." when the notice's source is known,
// "[Retracted]." for another retracted article, empty otherwise: the last
// words of every citation of a retracted article, so that no one cites it
// unknowingly.
QString retractionNote(bool retracted, const QString &noticeSource);
QString retractionNoteForArticle(const ArticleRecord &article);

// "Authors. Title Journal Year; Volume (Issue): Pages. ", then the lines
// "PMID: …", "DOI: …" and the retraction note, each only when it has
// something to say. No line break at the end.
QString citationStringForArticle(const ArticleRecord &article);

// The same characters with the title in its inline styles (italics,
// superscripts, subscripts), for the views; no links.
RichText styledCitationForArticle(const ArticleRecord &article);

// The citation as rich text, in these runs: the author block; the title in
// its inline styles, linked to the record's hyperlink only when it has no DOI; the journal
// pieces up to the PMID; when there is a DOI, " | DOI: " and the DOI linked
// to its resolver URL; the retraction note on a line of its own; then two
// runs of one line break each. Empty runs are left out.
RichText citationAStringForArticle(const ArticleRecord &article, const Endpoints &endpoints);

// The title, in its inline styles, linked to the record's hyperlink.
RichText urlAStringForArticle(const ArticleRecord &article);

// The DOI as one run linked to the DOI URL; the run shows the DOI, not the URL.
RichText urlDOIStringForArticle(const ArticleRecord &article, const Endpoints &endpoints);

// The resolver origin, "/" and the DOI as a URL path (encodedDoiPath()): the
// URL that DOI links, copied or double-clicked, lead to.
QString doiUrlForArticle(const ArticleRecord &article, const Endpoints &endpoints);

// The rich citations of the given rows of `articles`, taken in ascending row
// order (each row once; rows outside the list are ignored), one after
// another; each ends with its two line breaks, so the whole text does too.
RichText exportTextForArticles(const ArticleList &articles, QList<qsizetype> rows, const Endpoints &endpoints);
// The same for every record of the list, in list order.
RichText exportTextForArticles(const ArticleList &articles, const Endpoints &endpoints);
