#pragma once

#include "entrez/ArticleRecord.h"
#include "entrez/LinkKind.h"

#include <QList>
#include <QObject>
#include <QStringList>

class QAction;
class QMenu;
class QMenuBar;

// The ways from the selected articles to others: "Similar Articles", "Cited
// By" and "References", in the menu bar's "Articles" menu and on the table's
// context menu. Each asks for a new result set of the selection's links.
class LinkActions : public QObject
{
    Q_OBJECT

public:
    // Puts the "Articles" menu into `menuBar`, before its last (Help) menu.
    explicit LinkActions(QMenuBar *menuBar);

    // Adds the three actions to a context menu.
    void addTo(QMenu *menu) const;
    // Offered while at least one article is selected.
    void setEnabled(bool enabled);
    // The "Articles" menu, for other actions on the selection.
    QMenu *menu() const { return m_menu; }

    // The PMIDs of `rows`, in row order; articles without one are left out.
    static QStringList pmidsOf(const ArticleList &articles, const QList<int> &rows);

signals:
    void linkRequested(LinkKind kind);

private:
    QMenu *m_menu = nullptr;
    QList<QAction *> m_actions;
};
