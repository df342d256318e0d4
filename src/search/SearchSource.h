#pragma once

#include "entrez/LinkKind.h"
#include "entrez/SortOrder.h"
#include "search/SearchFilters.h"

#include <QString>
#include <QStringList>

// Where the articles of a result set come from: a PubMed query, or the
// articles linked to some PMIDs (similar to them, citing them, or cited by
// them). Further kinds (a saved collection) join as further kinds, so a
// session never has to guess from a string.
struct SearchSource
{
    // Stored: articles the library holds, shown without the network; `query`
    // is what the tab is called, `collection` the one they belong to (0: the
    // whole library). List: the articles of `pmids` in that order (a pasted
    // reference list), `query` what the tab is called.
    enum class Kind { None, Query, Links, Stored, List };

    Kind kind = Kind::None;
    QString query;
    // Asked for with every batch, so that the windows of one search follow one order.
    SortOrder sort = SortOrder::Recent;
    SearchFilters filters = {};
    // For Links: the PMIDs asked about, and which of their links.
    QStringList pmids = {};
    LinkKind link = LinkKind::Similar;
    qint64 collection = 0;
    // For Query: PMIDs shown before the rest whatever the sort (a saved
    // search's new articles), in the order the sort gives them.
    QStringList pinned = {};
    // For Stored: the text a library search looked for; empty for a collection.
    QString searched = {};
    // For List: how each of `pmids` was found (its reference as pasted).
    QStringList provenance = {};

    static SearchSource pubmedQuery(const QString &query, SortOrder sort = SortOrder::Recent, const SearchFilters &filters = {})
    {
        return {Kind::Query, query, sort, filters};
    }
    static SearchSource linkedTo(LinkKind link, const QStringList &pmids)
    {
        return {Kind::Links, {}, SortOrder::Recent, {}, pmids, link};
    }
    static SearchSource stored(const QString &title, qint64 collection, const QString &searched = {})
    {
        return {Kind::Stored, title, SortOrder::Recent, {}, {}, LinkKind::Similar, collection, {}, searched};
    }
    static SearchSource list(const QString &title, const QStringList &pmids, const QStringList &provenance)
    {
        SearchSource source{Kind::List, title};
        source.pmids = pmids;
        source.provenance = provenance;
        return source;
    }
    bool isStored() const { return kind == Kind::Stored; }
    // What is sent: the query with the filters' syntax.
    QString effectiveQuery() const { return filters.effectiveQuery(query); }

    bool isNone() const { return kind == Kind::None; }
    // What a tab is called for this source; the whole of it, for the caller to elide.
    QString title() const { return kind == Kind::Links ? linksTitle() : query; }
    // How an exported article was found, named by the PMIDs asked about that
    // it was linked from: "Cites PMID 31746150" (a cited-by set holds the
    // articles citing it), "Cited by PMIDs 1, 2" (it is in their reference
    // lists), "Similar to PMID 3"; empty for a search.
    QString foundAs(const QStringList &linkedFrom) const
    {
        if (kind != Kind::Links || linkedFrom.isEmpty())
            return {};
        return linkLead(true) + (linkedFrom.size() == 1 ? QStringLiteral("PMID ") : QStringLiteral("PMIDs "))
            + linkedFrom.join(QLatin1String(", "));
    }
    // What the search log says was searched: the query, or a link set's name
    // with every PMID asked about ("Cited by: 1, 2, 3"), so that it can be repeated.
    QString logText() const
    {
        return kind == Kind::Links ? linkLead(false).trimmed() + QLatin1String(": ") + pmids.join(QLatin1String(", "))
                                   : query;
    }

    // How the article with `pmid` was found: its own provenance in a list,
    // foundAs() otherwise, by every PMID asked about when it is not known
    // which of them it was linked from.
    QString foundAsOf(const QString &pmid, const QStringList &linkedFrom = {}) const
    {
        return kind == Kind::List ? provenance.value(pmids.indexOf(pmid)) : foundAs(linkedFrom.isEmpty() ? pmids : linkedFrom);
    }

    friend bool operator==(const SearchSource &, const SearchSource &) = default;

private:
    // "Similar to 31746150", "Cited by 31746150", "References of 3 articles".
    QString linksTitle() const
    {
        return linkLead(false) + (pmids.size() == 1 ? pmids.constFirst() : QStringLiteral("%1 articles").arg(pmids.size()));
    }
    // What the links are of the PMIDs: a tab holds the articles "Cited by"
    // them and the "References of" them; an exported article of the first
    // "Cites" them, one of the second is "Cited by" them.
    QString linkLead(bool exported) const
    {
        switch (link) {
        case LinkKind::Similar:
            return QStringLiteral("Similar to ");
        case LinkKind::CitedBy:
            return exported ? QStringLiteral("Cites ") : QStringLiteral("Cited by ");
        case LinkKind::References:
            return exported ? QStringLiteral("Cited by ") : QStringLiteral("References of ");
        }
        return {};
    }
};
