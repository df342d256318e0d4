#pragma once

#include "gui/articles/ArticleLinksLabel.h"
#include "gui/articles/ArticleTableModel.h"
#include "search/SelectionFullTextSources.h"
#include "export/CitationStyle.h"

#include <QHash>
#include <QWidget>

#include <memory>

class KebNSTableView;
class NoteEditor;
class SearchSession;
struct WindowLayout;

namespace Ui {
class ResultTab;
}

// One result set on screen: its session's articles in the table, the
// abstract and citation of the selected article, and that article's links.
// It owns its session, so closing the tab ends the session's transfer. What
// the user asks of it is emitted; it never reaches out to act itself.
class ResultTab : public QWidget
{
    Q_OBJECT

public:
    explicit ResultTab(std::unique_ptr<SearchSession> session, QWidget *parent = nullptr);
    ~ResultTab() override;

    SearchSession &session() const { return *m_session; }
    ArticleTableModel &model() { return m_model; }
    KebNSTableView *table() const;
    // The note box under the citation; its owner fills and saves it.
    NoteEditor *noteEditor() const;
    const SelectionFullTextSources &fullTextSources() const { return *m_fullTextSources; }
    // Selected rows in ascending order.
    QList<int> selectedRows() const;
    // The one selected article, none when no or several rows are selected.
    const ArticleRecord *singleSelectedArticle() const;

    // Shows the selection in the views: the one article's abstract, its
    // citation in `style` and `links`, or how many articles are selected;
    // the table's columns follow the preferences as they are now. What the
    // views show already (back on this tab) is not drawn again.
    void showSelection(CitationStyle style, const QList<ArticleLinksLabel::Link> &links);

    // The split, the columns and the sort, as a window is left or restored.
    // The number of columns of every tab's table, for the stored layout.
    static int tableColumnCount();
    void applyLayout(const WindowLayout &layout);
    void captureLayout(WindowLayout &layout) const;

    // What was typed when the session searches its expansion ("#3 AND #5"); empty otherwise.
    const QString &typedQuery() const { return m_typedQuery; }
    void setTypedQuery(const QString &typed) { m_typedQuery = typed; }
    // What the tab is called instead of its search (a saved search's name),
    // until it searches something else; empty for none.
    const QString &name() const { return m_name; }
    void setName(const QString &name);
    // By PMID, the passage of its kept full text that a library search
    // matched, shown with the one selected article until the tab searches
    // something else.
    void showPassages(const QHash<qint64, QString> &passages);

signals:
    void selectionChanged();
    // Double-click on a row, or Return: open the selected articles.
    void openRequested();
    void copyRequested(const QList<int> &rows);
    void linkChosen(ArticleLinksLabel::Link link);
    void linkSetChosen(LinkKind kind);
    void sourceChosen(const FullTextSource &source);
    void contextMenuRequested(const QPoint &globalPosition);
    void nameChanged();

private:
    void showBatch(bool firstBatch);
    // Shows the "Cited by" column exactly while the session asks for counts,
    // and the "RCR" column while they come from iCite.
    void followCountsPreference();

    // What the views were last drawn for; none after the articles changed.
    struct Shown
    {
        const ArticleRecord *article;
        int selected;
        CitationStyle style;
        QList<ArticleLinksLabel::Link> links;
        bool operator==(const Shown &) const = default;
    };
    std::optional<Shown> m_shown;
    std::unique_ptr<Ui::ResultTab> m_ui;
    std::unique_ptr<SearchSession> m_session;
    SelectionLinkCounts *m_linkCounts = nullptr;
    SelectionFullTextSources *m_fullTextSources = nullptr;
    ArticleTableModel m_model;
    QString m_typedQuery;
    QString m_name;
    QHash<qint64, QString> m_passages;
};
