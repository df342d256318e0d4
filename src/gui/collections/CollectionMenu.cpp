#include "gui/collections/CollectionMenu.h"

#include "gui/collections/CollectionTexts.h"

CollectionMenu::CollectionMenu(QWidget *parent) : QMenu(CollectionTexts::AddToCollection, parent)
{
    setObjectName(QStringLiteral("addToCollectionMenu"));
    showCollections({});
}

void CollectionMenu::showCollections(const QList<Collection> &collections)
{
    clear();
    connect(addAction(CollectionTexts::NewCollection), &QAction::triggered, this, &CollectionMenu::newCollectionRequested);
    if (!collections.isEmpty())
        addSeparator();
    for (const Collection &collection : collections.first(std::min<qsizetype>(collections.size(), kShown))) {
        // A name is the user's text: "&" in it is no mnemonic.
        QAction *action = addAction(QString(collection.name).replace(QLatin1Char('&'), QStringLiteral("&&")));
        connect(action, &QAction::triggered, this, [this, id = collection.id] { emit collectionChosen(id); });
    }
}
