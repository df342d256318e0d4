#pragma once

#include "common/Endpoints.h"
#include "entrez/ArticleRecord.h"
#include "entrez/XmlRepair.h"

#include <QByteArray>

#include <pugixml.hpp>

#include <string>
#include <string_view>

// Where an EFetch answer's document ends.
inline constexpr std::string_view kEfetchClosingTag = "</PubmedArticleSet>";

// The ELink base URL of article links: the E-utilities origin + the ELink path.
std::string elinkBaseUrl(const Endpoints &endpoints);

// Cleans and parses `text` (UTF-8, consumed) with kEfetchClosingTag and
// appends one record per child of the root element (elements and non-blank
// text), in document order. Returns the number appended (0 when the answer
// yields no document).
qsizetype appendArticlesFromResponse(std::string text, ArticleList &articles, std::string_view elinkBase);

// The same for the bytes as they come off the network: validated as UTF-8
// first; invalid UTF-8 appends nothing and returns -1.
qsizetype appendArticlesFromBytes(QByteArray bytes, ArticleList &articles, std::string_view elinkBase);
// The same, also appending each record's own element (a PubmedArticle or
// PubmedBookArticle, as XML) to `elements`, one per record, for those who
// keep the article and may read it again with a later extractor.
qsizetype appendArticlesWithXml(QByteArray bytes, ArticleList &articles, QList<QByteArray> &elements,
                                std::string_view elinkBase);

// Logs how many records of one answer lost their PMID because it was not 1
// to 10 digits (nothing when none did).
void logDroppedPmids(qsizetype count);

// The record of one article node (a PubmedArticle, or any other node).
ArticleRecord articleForNode(pugi::xml_node node, std::string_view elinkBase);
// The same, reusing `builder`'s buffers between records.
ArticleRecord articleForNode(pugi::xml_node node, std::string_view elinkBase, ArticleRecord::Builder &builder);

// What articleForNode reads of the children of an answer's document element,
// so that a repair can drop the rest (reference lists, histories, chemicals)
// before the parse.
const XmlElementsRead &recordElementsRead();
