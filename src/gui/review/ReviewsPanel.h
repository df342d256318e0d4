#pragma once

#include <QDockWidget>

class QListWidget;

// The Reviews dock beside Collections: the reviews by name; Return or a
// double click opens one.
class ReviewsPanel : public QDockWidget
{
    Q_OBJECT

public:
    explicit ReviewsPanel(QWidget *parent = nullptr);
    void setReviews(const QStringList &names);

signals:
    void openRequested(const QString &name);

private:
    QListWidget *m_list;
};
