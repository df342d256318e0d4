#pragma once

#include "library/SavedSearch.h"

#include <QDockWidget>
#include <QList>

class QLabel;
class QListWidget;
class QPushButton;

// "Saved Searches": a dock listing each saved search with its count of new
// articles ("name (3 new)"), what the last check said, and the commands on
// the selected one. It shows and asks; its owner acts.
class SavedSearchesPanel : public QDockWidget
{
    Q_OBJECT

public:
    explicit SavedSearchesPanel(QWidget *parent = nullptr);

    // By name; the selection stays on the same saved search where it can.
    void setSearches(const QList<SavedSearch> &searches);
    const QList<SavedSearch> &searches() const { return m_searches; }
    // The selected saved search's id; 0 for none.
    qint64 selectedId() const;
    // What the last check (or its failure) said, as plain text.
    void setStatus(const QString &text);
    QString status() const;
    // The text of the row of `id`: "name", or "name (3 new)".
    static QString rowText(const SavedSearch &search);

signals:
    void checkRequested(qint64 id);
    void checkAllRequested();
    void openRequested(qint64 id);
    void renameRequested(qint64 id);
    void editRequested(qint64 id);
    void removeRequested(qint64 id);
    void markSeenRequested(qint64 id);

private:
    void updateButtons();

    QList<SavedSearch> m_searches;
    QListWidget *m_list;
    QLabel *m_status;
    QList<QPushButton *> m_oneButtons; // need a selection
};
