#include "gui/review/ReviewsPanel.h"

#include "gui/review/ReviewTexts.h"

#include <QListWidget>

ReviewsPanel::ReviewsPanel(QWidget *parent) : QDockWidget(ReviewTexts::dockTitle(), parent), m_list(new QListWidget(this))
{
    setObjectName(QStringLiteral("reviewsPanel"));
    m_list->setObjectName(QStringLiteral("reviewList"));
    m_list->setAccessibleName(ReviewTexts::dockTitle());
    setWidget(m_list);
    connect(m_list, &QListWidget::itemActivated, this, [this](QListWidgetItem *item) { emit openRequested(item->text()); });
}

void ReviewsPanel::setReviews(const QStringList &names)
{
    m_list->clear();
    m_list->addItems(names);
}
