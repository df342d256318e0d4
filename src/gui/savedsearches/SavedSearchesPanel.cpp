#include "gui/savedsearches/SavedSearchesPanel.h"

#include "gui/savedsearches/SavedSearchTexts.h"

#include <QFont>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
struct ButtonSetup
{
    const char *objectName;
    const char *text;
    const char *accessibleName;
    void (SavedSearchesPanel::*signal)(qint64);
};
const ButtonSetup kButtons[] = {
    {"checkSavedSearchButton", "&Check", "Check the selected saved search", &SavedSearchesPanel::checkRequested},
    {"openSavedSearchButton", "O&pen", "Open the selected saved search", &SavedSearchesPanel::openRequested},
    {"renameSavedSearchButton", "Re&name\u2026", "Rename the selected saved search", &SavedSearchesPanel::renameRequested},
    {"editSavedSearchButton", "Edit &Query\u2026", "Edit the query of the selected saved search", &SavedSearchesPanel::editRequested},
    {"markSeenButton", "Mark A&ll as Seen", "Mark the new articles of the selected saved search as seen", &SavedSearchesPanel::markSeenRequested},
    {"removeSavedSearchButton", "Re&move\u2026", "Remove the selected saved search", &SavedSearchesPanel::removeRequested},
};
} // namespace

SavedSearchesPanel::SavedSearchesPanel(QWidget *parent)
    : QDockWidget(SavedSearchTexts::DockTitle, parent), m_list(new QListWidget), m_status(new QLabel)
{
    setObjectName(QStringLiteral("savedSearchesPanel"));
    auto *content = new QWidget(this);
    m_list->setObjectName(QStringLiteral("savedSearchesList"));
    m_list->setAccessibleName(QStringLiteral("Saved searches"));
    m_status->setObjectName(QStringLiteral("savedSearchesStatus"));
    m_status->setAccessibleName(QStringLiteral("What the last check found"));
    m_status->setTextFormat(Qt::PlainText);
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *layout = new QVBoxLayout(content);
    layout->addWidget(m_list);
    layout->addWidget(m_status);
    auto *grid = new QGridLayout;
    layout->addLayout(grid);
    int index = 0;
    for (const ButtonSetup &setup : kButtons) {
        auto *button = new QPushButton(QString::fromUtf8(setup.text), content);
        button->setObjectName(QLatin1String(setup.objectName));
        button->setAccessibleName(QString::fromUtf8(setup.accessibleName));
        grid->addWidget(button, index / 2, index % 2);
        ++index;
        connect(button, &QPushButton::clicked, this, [this, signal = setup.signal] {
            if (const qint64 id = selectedId())
                emit (this->*signal)(id);
        });
        m_oneButtons.append(button);
    }
    auto *checkAll = new QPushButton(QStringLiteral("Chec&k All"), content);
    checkAll->setObjectName(QStringLiteral("checkAllSavedSearchesButton"));
    checkAll->setAccessibleName(QStringLiteral("Check all saved searches"));
    grid->addWidget(checkAll, index / 2, index % 2);
    connect(checkAll, &QPushButton::clicked, this, &SavedSearchesPanel::checkAllRequested);
    connect(m_list, &QListWidget::itemSelectionChanged, this, &SavedSearchesPanel::updateButtons);
    connect(m_list, &QListWidget::itemActivated, this, [this] {
        if (const qint64 id = selectedId())
            emit openRequested(id);
    });
    setWidget(content);
    updateButtons();
}

QString SavedSearchesPanel::rowText(const SavedSearch &search)
{
    return search.newCount > 0 ? QStringLiteral("%1 (%2 new)").arg(search.name).arg(search.newCount) : search.name;
}

void SavedSearchesPanel::setSearches(const QList<SavedSearch> &searches)
{
    const qint64 selected = selectedId();
    m_searches = searches;
    m_list->clear();
    for (const SavedSearch &search : searches) {
        auto *item = new QListWidgetItem(rowText(search), m_list);
        item->setToolTip(search.query);
        QFont font = item->font();
        font.setBold(search.newCount > 0);
        item->setFont(font);
        if (search.id == selected)
            item->setSelected(true);
    }
    updateButtons();
}

qint64 SavedSearchesPanel::selectedId() const
{
    const QList<QListWidgetItem *> selected = m_list->selectedItems();
    if (selected.isEmpty())
        return 0;
    const int index = m_list->row(selected.first());
    return index >= 0 && index < m_searches.size() ? m_searches.at(index).id : 0;
}

void SavedSearchesPanel::setStatus(const QString &text)
{
    m_status->setText(text);
}

QString SavedSearchesPanel::status() const
{
    return m_status->text();
}

void SavedSearchesPanel::updateButtons()
{
    const bool one = selectedId() != 0;
    for (QPushButton *button : std::as_const(m_oneButtons))
        button->setEnabled(one);
}
