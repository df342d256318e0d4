#pragma once

#include "gui/mainwindow/AppServices.h"
#include "library/Collection.h"
#include "library/LibrarySearch.h"
#include "library/LibraryStore.h"
#include "library/StoredArticle.h"
#include "search/SearchSource.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>

#include <functional>
#include <optional>

namespace Ui {
class MainWindow;
}

class ArticleActions;
struct EutilsIdentity;
class CollectionMenu;
class CollectionsPanel;
class LibrarySearch;
class LibraryTasks;
class QAction;
class QLabel;
class QMainWindow;
class QMenu;
class QMenuBar;
class ResultTab;
class ResultTabs;

// Wires the library into the window: the Collections dock, Add to
// Collection (menus, Ctrl+D, dropped rows), collections opened as offline
// tabs, removing from a collection and undoing it, the library mark of
// every table, the note box of every tab, and the notes of exports. Without
// a library its commands are disabled.
class CollectionActions : public QObject
{
    Q_OBJECT

public:
    // Asks the user for a collection's name; none when the user cancels.
    using NameAsker = std::function<std::optional<QString>(const QString &title, const QString &initial)>;

    // Opens a new tab in the window and gives it.
    using TabOpener = std::function<ResultTab *()>;

    // Joins `window`: its menus, message line and tabs, new ones opened by
    // `newTab`; the notes go into the exports of `actions`.
    CollectionActions(const AppServices &services, QMainWindow &window, Ui::MainWindow &ui, ArticleActions &actions,
                      TabOpener newTab, std::function<EutilsIdentity()> identity, QObject *parent);
    ~CollectionActions() override;

    // For the table's context menu.
    void addTo(QMenu *menu) const;
    // The notes of `articles` ("" for none), for exports; empty without a library.
    QStringList notesOf(const ArticleList &articles) const;
    void setNameAsker(NameAsker asker) { m_askName = std::move(asker); }
    LibraryTasks &tasks() const { return *m_tasks; }

private:
    void attach(ResultTab *tab);
    // What the background check of the whole file found: a damaged file is
    // moved aside and a new one started, as at start-up.
    void checked(const LibraryStore::Check &check);
    // Reads the collections again, and whether the library holds each of
    // `touched` (every PMID when none are named), and shows them everywhere.
    void refresh(const std::optional<QList<qint64>> &touched = std::nullopt);
    // Reads the collections again and lists them.
    void showCollections();
    void showNoteOf(ResultTab *tab);
    void saveNote(qint64 pmid, const QString &note);
    void addSelection(qint64 collection);
    void addPmids(qint64 collection, const QList<qint64> &pmids);
    void addToNewCollection();
    void open(qint64 collection);
    void rename(qint64 collection);
    void remove(qint64 collection);
    void search(const QString &text, qint64 collection);
    // The best matches of the search asked for last, then the rest of their records.
    void showFound(quint64 search, const PmidList &pmids, const ArticleList &first, const LibrarySearch::Passages &passages);
    void showMoreFound(quint64 search, const ArticleList &records);
    void removeSelection();
    void undoRemoval();
    // Shows `collection`'s articles in `tab` as they are stored now.
    void showCollectionIn(ResultTab *tab, qint64 collection);
    ResultTab *currentTab() const;
    // The collection the current tab shows, 0 when it shows none.
    qint64 openCollection() const;
    std::optional<Collection> collection(qint64 id) const;
    // Shows the store's failure in an alert; false.
    bool failed() const;
    void say(const QString &message) const;
    void updateActions();

    // Articles taken out of a collection, to put back.
    struct Removal
    {
        qint64 collection;
        QList<ArticleToStore> articles;
    };

    const AppServices &m_services;
    TabOpener m_newTab;
    Ui::MainWindow &m_ui;
    QMainWindow *m_window;
    LibraryStore *m_store;
    NameAsker m_askName;
    CollectionsPanel *m_panel = nullptr;
    CollectionMenu *m_addMenu = nullptr;
    LibraryTasks *m_tasks = nullptr;
    LibrarySearch *m_search = nullptr;
    // The library search asked for last, and the tab that shows it.
    struct Searching
    {
        quint64 number = 0;
        SearchSource source;
        QPointer<ResultTab> tab;
    };
    Searching m_searching;
    QAction *m_addToLast = nullptr;
    QAction *m_removeAction = nullptr;
    QAction *m_undoAction = nullptr;
    QList<Collection> m_collections;
    PmidSet m_pmids;
    // Tabs that show a whole collection, by the collection's id.
    QHash<ResultTab *, qint64> m_collectionTabs;
    // What Ctrl+Z puts back, per tab, the last removal last.
    QHash<ResultTab *, QList<Removal>> m_removals;
};
