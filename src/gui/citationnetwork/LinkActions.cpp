#include "gui/citationnetwork/LinkActions.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

LinkActions::LinkActions(QMenuBar *menuBar) : QObject(menuBar)
{
    m_menu = new QMenu(tr("&Articles"), menuBar);
    m_menu->setObjectName(QStringLiteral("articlesMenu"));
    const QList<QAction *> menus = menuBar->actions();
    menuBar->insertMenu(menus.isEmpty() ? nullptr : menus.constLast(), m_menu);
    const std::pair<QString, LinkKind> kinds[] = {{tr("&Similar Articles"), LinkKind::Similar},
                                                  {tr("C&ited By"), LinkKind::CitedBy},
                                                  {tr("&References"), LinkKind::References}};
    for (const auto &[text, kind] : kinds) {
        QAction *action = m_menu->addAction(text);
        connect(action, &QAction::triggered, this, [this, kind = kind] { emit linkRequested(kind); });
        m_actions.append(action);
    }
    setEnabled(false);
}

void LinkActions::addTo(QMenu *menu) const
{
    menu->addActions(m_actions);
}

void LinkActions::setEnabled(bool enabled)
{
    for (QAction *action : std::as_const(m_actions))
        action->setEnabled(enabled);
}

QStringList LinkActions::pmidsOf(const ArticleList &articles, const QList<int> &rows)
{
    QStringList pmids;
    for (const int row : rows) {
        if (row < 0 || row >= articles.size())
            continue;
        const QString pmid = articles.at(row).text(ArticleRecord::Key::PMID);
        if (!pmid.isEmpty())
            pmids.append(pmid);
    }
    return pmids;
}
