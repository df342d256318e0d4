#pragma once

#include "gui/articles/ArticleActions.h"
#include "entrez/LinkKind.h"
#include "fulltext/FullTextFetch.h"
#include "search/SelectionLinkCounts.h"

#include <QLabel>
#include <QList>

// The links of the one selected article, under its citation. The label's
// markup is the program's own: fixed link texts whose targets name the kind
// of link, never a URL, so nothing from a record is ever read as markup; the
// controller makes the URL when a link is chosen. Links work with the mouse
// and with the keyboard (Tab to a link, Return to open it).
class ArticleLinksLabel : public QLabel
{
    Q_OBJECT

public:
    // Doi, PubMed or FreeFullText.
    using Link = ArticleActions::Page;

    explicit ArticleLinksLabel(QWidget *parent = nullptr);

    // The links to offer, in this order; none hides the label.
    void showLinks(const QList<Link> &links);
    const QList<Link> &links() const { return m_links; }
    // After the links: "Cited by N · References M · Similar articles", each
    // opening a tab of those articles, with iCite's "RCR 2.18 (NIH percentile
    // 77.1)" before the last; nothing shows them no more.
    void showCounts(const std::optional<ArticleLinkCounts> &counts);
    // On a line of their own: where the full text can be read, each marked
    // free or not; the names (a LinkOut provider's among them) are text.
    void showSources(const std::optional<QList<FullTextSource>> &sources);
    const QList<FullTextSource> &sources() const { return m_sources; }

signals:
    void linkChosen(ArticleLinksLabel::Link link);
    void linkSetChosen(LinkKind kind);
    void sourceChosen(const FullTextSource &source);

protected:
    // Tab into the label lands on its first link (Shift+Tab on its last), not
    // on the label as a whole, which Return could not open.
    void focusInEvent(QFocusEvent *event) override;

private:
    void render();

    QList<Link> m_links;
    std::optional<ArticleLinkCounts> m_counts;
    QList<FullTextSource> m_sources;
};
