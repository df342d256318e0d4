#include "gui/querybuilder/AdvancedSearchActions.h"

#include "gui/querybuilder/AdvancedSearchDialog.h"
#include "library/LibraryStore.h"
#include "search/QueryCounter.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>

AdvancedSearchActions::AdvancedSearchActions(const SessionSettings &settings, LibraryStore *library, QMainWindow &window)
    : QObject(&window)
    , m_library(library)
    , m_window(window)
    , m_counter(new QueryCounter(settings, this))
{
    auto *action = new QAction(QStringLiteral("&Advanced\u2026"), &window);
    action->setObjectName(QStringLiteral("advancedSearchAction"));
    action->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
    if (auto *searchMenu = window.findChild<QMenu *>(QStringLiteral("searchMenu")))
        searchMenu->insertAction(searchMenu->actions().value(0), action);
    else
        window.addAction(action);
    connect(action, &QAction::triggered, this, &AdvancedSearchActions::show);
}

void AdvancedSearchActions::show()
{
    if (!m_dialog) {
        m_dialog = new AdvancedSearchDialog(&m_window);
        connect(m_dialog, &AdvancedSearchDialog::searchRequested, this, &AdvancedSearchActions::searchRequested);
        connect(m_dialog, &AdvancedSearchDialog::queryChosen, this, &AdvancedSearchActions::queryChosen);
        connect(m_dialog, &AdvancedSearchDialog::countRequested, m_counter, &QueryCounter::count);
        connect(m_counter, &QueryCounter::counted, m_dialog, &AdvancedSearchDialog::showCount);
        connect(m_counter, &QueryCounter::failed, m_dialog, &AdvancedSearchDialog::showCountFailed);
        connect(m_dialog, &QDialog::finished, m_counter, &QueryCounter::cancel);
    }
    QList<std::pair<qint64, QString>> entries;
    if (m_library) {
        if (const auto page = m_library->historyPage(kHistoryOffered)) {
            for (const HistoryEntry &entry : *page) {
                if (!entry.isLinkSet())
                    entries.append({entry.number, entry.query()});
            }
        }
    }
    m_dialog->setHistory(entries);
    m_dialog->show();
    m_dialog->raise();
    m_dialog->activateWindow();
}

AdvancedSearchDialog *AdvancedSearchActions::dialog() const
{
    return m_dialog;
}
