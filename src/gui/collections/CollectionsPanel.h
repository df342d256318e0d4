#pragma once

#include "library/Collection.h"

#include <QDockWidget>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

// The "Collections" dock: the library's collections with their sizes, the
// one used last first; buttons to open, rename and delete the chosen one;
// rows of a result table dropped on a collection; and a search of the
// library. It only shows and asks: what is asked is emitted.
class CollectionsPanel : public QDockWidget
{
    Q_OBJECT

public:
    explicit CollectionsPanel(QWidget *parent = nullptr);

    void showCollections(const QList<Collection> &collections);
    // The collection the current tab shows, named, or none (0): the search
    // then offers to look in it alone.
    void setOpenCollection(qint64 id, const QString &name);
    // The chosen collection's id, 0 when none is chosen.
    qint64 chosen() const;

signals:
    void openRequested(qint64 collection);
    void renameRequested(qint64 collection);
    void deleteRequested(qint64 collection);
    // `collection`: 0 for the whole library.
    void searchRequested(const QString &text, qint64 collection);
    void pmidsDropped(qint64 collection, const QList<qint64> &pmids);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void emitForChosen(void (CollectionsPanel::*signal)(qint64));
    void updateButtons();

    QListWidget *m_list = nullptr;
    QPushButton *m_open = nullptr;
    QPushButton *m_rename = nullptr;
    QPushButton *m_delete = nullptr;
    QLineEdit *m_search = nullptr;
    QCheckBox *m_onlyOpen = nullptr;
    qint64 m_openCollection = 0;
};
