#pragma once

#include "library/Collection.h"

#include <QMenu>

// "Add to Collection ▸": New Collection…, then the collections used last.
// It shows what it is given and emits what is chosen.
class CollectionMenu : public QMenu
{
    Q_OBJECT

public:
    // How many collections the menu lists; the dock has them all.
    static constexpr int kShown = 10;

    explicit CollectionMenu(QWidget *parent = nullptr);

    // In the order given (the one used last first).
    void showCollections(const QList<Collection> &collections);

signals:
    void newCollectionRequested();
    void collectionChosen(qint64 collection);
};
