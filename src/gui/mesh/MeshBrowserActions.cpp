#include "gui/mesh/MeshBrowserActions.h"

#include "ui_MainWindow.h"

#include "gui/mesh/MeshBrowserPanel.h"
#include "search/MeshLookup.h"

#include <QAction>
#include <QLineEdit>
#include <QMainWindow>

MeshBrowserActions::MeshBrowserActions(const SessionSettings &settings, Ui::MainWindow &ui, QMainWindow &window)
    : QObject(&window)
    , m_panel(new MeshBrowserPanel(&window))
    , m_lookup(new MeshLookup(settings, this))
{
    QAction *show = m_panel->toggleViewAction();
    show->setObjectName(QStringLiteral("meshBrowserAction"));
    show->setText(QStringLiteral("&MeSH Browser"));
    show->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_M));
    ui.viewMenu->addAction(show);
    connect(show, &QAction::triggered, this, [this](bool shown) {
        if (shown)
            m_panel->wordField()->setFocus(Qt::ShortcutFocusReason);
    });
    connect(m_panel, &MeshBrowserPanel::findRequested, m_lookup, &MeshLookup::find);
    connect(m_panel, &MeshBrowserPanel::headingRequested, m_lookup, &MeshLookup::describe);
    connect(m_panel, &MeshBrowserPanel::clauseChosen, this, &MeshBrowserActions::clauseChosen);
    connect(m_lookup, &MeshLookup::found, m_panel, &MeshBrowserPanel::showHeadings);
    connect(m_lookup, &MeshLookup::described, this, &MeshBrowserActions::showHeading);
    connect(m_lookup, &MeshLookup::counted, m_panel, &MeshBrowserPanel::showCount);
    connect(m_lookup, &MeshLookup::failed, m_panel, &MeshBrowserPanel::showFailure);
}

void MeshBrowserActions::showHeading(const QString &uid)
{
    const std::optional<MeshHeading> heading = m_lookup->heading(uid);
    if (!heading)
        return;
    QHash<QString, QString> names;
    for (const QString &other : heading->neighbours() + heading->mappedTo) {
        if (const std::optional<MeshHeading> known = m_lookup->heading(other))
            names.insert(other, known->name);
    }
    m_panel->showHeading(*heading, names);
}
