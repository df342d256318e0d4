#include "gui/collections/CollectionActions.h"

#include "ui_MainWindow.h"

#include "gui/widgets/AlertPresenter.h"
#include "gui/articles/ArticleTableModel.h"
#include "gui/collections/CollectionMenu.h"
#include "gui/collections/CollectionTexts.h"
#include "gui/collections/CollectionsPanel.h"
#include "gui/collections/LibraryNotice.h"
#include "gui/collections/LibraryTasks.h"
#include "gui/collections/NoteEditor.h"
#include "gui/articles/KebNSTableView.h"
#include "gui/mainwindow/ResultTab.h"
#include "gui/mainwindow/ResultTabs.h"
#include "gui/citationnetwork/LinkActions.h"
#include "gui/widgets/DockMemory.h"
#include "library/LibraryCheck.h"
#include "library/LibraryMessages.h"
#include "library/LibrarySearch.h"
#include "library/LibraryStore.h"
#include "library/RecordRefresh.h"
#include "preferences/PreferenceStore.h"
#include "search/SearchSession.h"

#include <QAction>
#include <QInputDialog>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QTimer>

namespace {
// How long after start-up the whole library file is read through.
constexpr int kCheckAfterStartMs = 2000;

std::optional<QString> askNameInDialog(QWidget *parent, const QString &title, const QString &initial)
{
    bool ok = false;
    const QString name = QInputDialog::getText(parent, title, CollectionTexts::CollectionName, QLineEdit::Normal, initial, &ok);
    return ok && !name.trimmed().isEmpty() ? std::optional<QString>(name.trimmed()) : std::nullopt;
}

qint64 pmidOf(const ArticleRecord &article)
{
    return article.text(ArticleRecord::Key::PMID).toLongLong();
}

// The rows an update changed, a retraction marked as such.
QHash<QString, ArticleTableModel::RowMark> marksOf(const RefreshReport &report)
{
    QHash<QString, ArticleTableModel::RowMark> marks;
    for (const qint64 pmid : report.changed)
        marks.insert(QString::number(pmid), {CollectionTexts::ChangedMark, CollectionTexts::ChangedTip});
    for (const qint64 pmid : report.retracted)
        marks.insert(QString::number(pmid), {CollectionTexts::RetractedMark, CollectionTexts::RetractedTip});
    return marks;
}
} // namespace

CollectionActions::CollectionActions(const AppServices &services, QMainWindow &window, Ui::MainWindow &ui,
                                     ArticleActions &actions, TabOpener newTab, std::function<EutilsIdentity()> identity,
                                     QObject *parent)
    : QObject(parent), m_services(services), m_newTab(std::move(newTab)), m_ui(ui), m_window(&window),
      m_store(m_services.library)
{
    m_askName = [this](const QString &title, const QString &initial) { return askNameInDialog(m_window, title, initial); };
    actions.setNotes([this](const ArticleList &articles) { return notesOf(articles); });
    m_tasks = new LibraryTasks(m_services, m_window, std::move(identity), this);
    connect(m_tasks, &LibraryTasks::libraryChanged, this, [this] { refresh(); });
    connect(m_tasks, &LibraryTasks::pmidsStored, this, [this](const QList<qint64> &pmids) { refresh(pmids); });
    connect(m_tasks, &LibraryTasks::message, this, &CollectionActions::say);
    connect(m_tasks, &LibraryTasks::collectionUpdated, this, [this](qint64 collection) {
        for (ResultTab *tab : m_collectionTabs.keys(collection))
            showCollectionIn(tab, collection);
    });
    connect(m_tasks, &LibraryTasks::recordsUpdated, this, [this](qint64 collection, const RefreshReport &report) {
        for (ResultTab *tab : m_collectionTabs.keys(collection))
            tab->model().setMarks(marksOf(report));
    });

    m_panel = new CollectionsPanel(m_window);
    DockMemory::remember(*m_window, *m_panel, *m_services.preferences->settings(), {});
    m_ui.viewMenu->addSeparator();
    m_ui.viewMenu->addAction(m_panel->toggleViewAction());
    connect(m_panel, &CollectionsPanel::openRequested, this, &CollectionActions::open);
    connect(m_panel, &CollectionsPanel::renameRequested, this, &CollectionActions::rename);
    connect(m_panel, &CollectionsPanel::deleteRequested, this, &CollectionActions::remove);
    connect(m_panel, &CollectionsPanel::searchRequested, this, &CollectionActions::search);
    connect(m_panel, &CollectionsPanel::pmidsDropped, this, &CollectionActions::addPmids);

    m_addMenu = new CollectionMenu(m_window);
    connect(m_addMenu, &CollectionMenu::newCollectionRequested, this, &CollectionActions::addToNewCollection);
    connect(m_addMenu, &CollectionMenu::collectionChosen, this, &CollectionActions::addSelection);
    m_addToLast = new QAction(tr("Add to &Last Collection"), this);
    m_addToLast->setObjectName(QStringLiteral("addToLastCollectionAction"));
    m_addToLast->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    connect(m_addToLast, &QAction::triggered, this, [this] {
        if (m_collections.isEmpty())
            addToNewCollection();
        else
            addSelection(m_collections.constFirst().id);
    });
    // Delete and Ctrl+Z belong to the table: text boxes keep their own.
    m_removeAction = new QAction(tr("Remo&ve from Collection"), this);
    m_removeAction->setObjectName(QStringLiteral("removeFromCollectionAction"));
    m_removeAction->setShortcut(QKeySequence::Delete);
    m_removeAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(m_removeAction, &QAction::triggered, this, &CollectionActions::removeSelection);
    m_undoAction = new QAction(tr("&Undo Remove"), this);
    m_undoAction->setObjectName(QStringLiteral("undoRemoveAction"));
    m_undoAction->setShortcut(QKeySequence::Undo);
    m_undoAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(m_undoAction, &QAction::triggered, this, &CollectionActions::undoRemoval);

    if (auto *articles = m_ui.menuBar->findChild<QMenu *>(QStringLiteral("articlesMenu"))) {
        articles->addSeparator();
        articles->addMenu(m_addMenu);
        articles->addAction(m_addToLast);
    }
    auto *collectionMenu = new QMenu(tr("Collec&tion"), m_ui.menuBar);
    collectionMenu->setObjectName(QStringLiteral("collectionMenu"));
    m_ui.menuBar->insertMenu(m_ui.menuBar->actions().constLast(), collectionMenu);
    collectionMenu->addAction(m_removeAction);
    collectionMenu->addAction(m_undoAction);
    collectionMenu->addSeparator();
    QAction *update = collectionMenu->addAction(tr("Update &Records"));
    update->setObjectName(QStringLiteral("updateRecordsAction"));
    connect(update, &QAction::triggered, this, [this] {
        if (const std::optional<Collection> open = collection(openCollection()))
            m_tasks->updateRecords(open->id, open->name);
    });
    connect(collectionMenu->addAction(tr("&Add PMIDs\u2026")), &QAction::triggered, this, [this] {
        if (const std::optional<Collection> open = collection(openCollection()))
            m_tasks->askForIdentifiers(open->id, open->name);
    });
    QAction *backUp = new QAction(tr("&Back Up Library\u2026"), this);
    backUp->setObjectName(QStringLiteral("backUpLibraryAction"));
    connect(backUp, &QAction::triggered, m_tasks, &LibraryTasks::backUp);
    m_ui.fileMenu->insertAction(m_ui.fileMenu->actions().value(3), backUp);
    for (QAction *action : collectionMenu->actions() + QList<QAction *>{backUp, m_addMenu->menuAction(), m_addToLast})
        action->setEnabled(m_store != nullptr);
    m_panel->setEnabled(m_store != nullptr);

    connect(m_ui.resultTabs, &ResultTabs::tabAdded, this, &CollectionActions::attach);
    connect(m_ui.resultTabs, &QTabWidget::currentChanged, this, &CollectionActions::updateActions);
    refresh();
    if (m_store) {
        m_search = new LibrarySearch(m_store->path(), this);
        connect(m_search, &LibrarySearch::found, this, &CollectionActions::showFound);
        connect(m_search, &LibrarySearch::more, this, &CollectionActions::showMoreFound);
        connect(m_search, &LibrarySearch::failed, this, [this](quint64 search, const QString &reason) {
            if (search == m_searching.number)
                m_services.alerts->run({Alert::Style::Warning, CollectionTexts::LibraryErrorTitle, reason, {}, {CollectionTexts::OK}},
                                       m_window);
        });
        // Once start-up is over: reading a large library through takes a
        // while, and the window's first reads should not wait behind it.
        auto *check = new LibraryCheck(this);
        connect(check, &LibraryCheck::finished, this, &CollectionActions::checked);
        QTimer::singleShot(kCheckAfterStartMs, check, [check, path = m_store->path()] { check->start(path); });
    }
}

void CollectionActions::checked(const LibraryStore::Check &check)
{
    if (check.soundness == LibraryStore::Soundness::Unreadable) {
        m_services.alerts->run({Alert::Style::Warning, CollectionTexts::LibraryErrorTitle,
                                LibraryMessages::unreadableLibrary(m_store->path(), check.reason), {}, {CollectionTexts::OK}},
                               m_window);
    } else if (check.soundness == LibraryStore::Soundness::Damaged) {
        if (const std::optional<Alert> alert = LibraryNotice::alertFor(*m_store, m_store->setAside()))
            m_services.alerts->run(*alert, m_window);
        refresh();
    }
}

CollectionActions::~CollectionActions() = default;

void CollectionActions::addTo(QMenu *menu) const
{
    menu->addSeparator();
    menu->addMenu(m_addMenu);
    menu->addAction(m_addToLast);
    if (m_collectionTabs.contains(currentTab()))
        menu->addAction(m_removeAction);
}

QStringList CollectionActions::notesOf(const ArticleList &articles) const
{
    QStringList notes;
    if (!m_store)
        return notes;
    for (const ArticleRecord &article : articles) {
        const qint64 pmid = pmidOf(article);
        notes.append(m_pmids.contains(pmid) ? m_store->note(pmid).value_or(QString()) : QString());
    }
    return notes;
}

void CollectionActions::attach(ResultTab *tab)
{
    tab->model().setLibraryCheck([this](qint64 pmid) { return m_pmids.contains(pmid); });
    tab->table()->addActions({m_removeAction, m_undoAction});
    connect(tab, &ResultTab::selectionChanged, this, [this, tab] { showNoteOf(tab); });
    connect(tab->noteEditor(), &NoteEditor::noteEdited, this, &CollectionActions::saveNote);
    connect(tab, &QObject::destroyed, this, [this, tab] {
        m_collectionTabs.remove(tab);
        m_removals.remove(tab);
    });
}

void CollectionActions::showCollections()
{
    const std::optional<QList<Collection>> collections = m_store->collections();
    if (!collections) {
        failed();
        return;
    }
    m_collections = *collections;
    m_panel->showCollections(m_collections);
    m_addMenu->showCollections(m_collections);
}

void CollectionActions::refresh(const std::optional<QList<qint64>> &touched)
{
    if (!m_store)
        return;
    showCollections();
    if (!touched) {
        std::optional<PmidSet> pmids = m_store->libraryPmids();
        if (!pmids) {
            failed();
            return;
        }
        m_pmids = std::move(*pmids);
    } else if (!touched->isEmpty()) {
        const std::optional<QSet<qint64>> held = m_store->libraryPmidsAmong(*touched);
        if (!held) {
            failed();
            return;
        }
        m_pmids.update(*touched, *held);
    }
    if (!touched || !touched->isEmpty()) {
        for (ResultTab *tab : m_ui.resultTabs->resultTabs())
            tab->model().libraryChanged();
    }
    if (ResultTab *tab = currentTab())
        showNoteOf(tab);
    updateActions();
}

void CollectionActions::showNoteOf(ResultTab *tab)
{
    NoteEditor *editor = tab->noteEditor();
    const ArticleRecord *article = tab->singleSelectedArticle();
    const qint64 pmid = article ? pmidOf(*article) : 0;
    if (!m_store || !m_pmids.contains(pmid)) {
        editor->showUnavailable();
        return;
    }
    if (const std::optional<QString> note = m_store->note(pmid))
        editor->showNote(pmid, *note);
    else
        failed();
}

void CollectionActions::saveNote(qint64 pmid, const QString &note)
{
    if (m_store && !m_store->setNote(pmid, note))
        failed();
}

void CollectionActions::addSelection(qint64 collection)
{
    const ResultTab *tab = currentTab();
    QList<qint64> pmids;
    for (const int row : tab->selectedRows())
        pmids.append(pmidOf(tab->session().articles().at(row)));
    addPmids(collection, pmids);
}

void CollectionActions::addPmids(qint64 id, const QList<qint64> &pmids)
{
    const std::optional<Collection> target = collection(id);
    if (!target || pmids.isEmpty())
        return;
    // What the library holds already needs no download.
    QList<qint64> stored;
    QList<qint64> missing;
    for (const qint64 pmid : pmids)
        (m_pmids.contains(pmid) ? stored : missing).append(pmid);
    if (!stored.isEmpty()) {
        const std::optional<QList<ArticleToStore>> articles = m_store->articlesToStore(stored);
        if (!articles || !m_store->addArticles(id, *articles)) {
            failed();
            return;
        }
        m_store->markCollectionUsed(id);
        say(LibraryMessages::added(articles->size(), target->name));
    }
    if (!missing.isEmpty())
        m_tasks->download(id, target->name, missing);
    refresh(QList<qint64>()); // the stored ones were held already
}

void CollectionActions::addToNewCollection()
{
    const std::optional<QString> name = m_askName(CollectionTexts::NewCollectionTitle, {});
    if (!name)
        return;
    const std::optional<qint64> id = m_store->createCollection(*name);
    if (!id) {
        failed();
        return;
    }
    refresh(QList<qint64>());
    addSelection(*id);
}

void CollectionActions::open(qint64 id)
{
    // A collection open in a tab already is shown there, not twice.
    for (ResultTab *shown : m_collectionTabs.keys(id)) {
        const SearchSource &source = shown->session().source();
        if (source.isStored() && source.collection == id && source.searched.isEmpty()) {
            m_ui.resultTabs->setCurrentWidget(shown);
            return;
        }
    }
    ResultTab *tab = m_newTab();
    m_collectionTabs.insert(tab, id);
    showCollectionIn(tab, id);
    // Opening changes no article: only the order of the list.
    if (!m_store->markCollectionUsed(id))
        failed();
    showCollections();
}

void CollectionActions::showCollectionIn(ResultTab *tab, qint64 id)
{
    const std::optional<Collection> shown = collection(id);
    std::optional<QList<StoredArticle>> stored = m_store->articles(id);
    if (!shown || !stored) {
        failed();
        return;
    }
    ArticleList articles;
    articles.reserve(stored->size());
    for (StoredArticle &article : *stored)
        articles.append(std::move(article.record));
    tab->session().showStored(SearchSource::stored(shown->name, id), std::move(articles));
    updateActions();
}

void CollectionActions::rename(qint64 id)
{
    const std::optional<Collection> renamed = collection(id);
    if (!renamed)
        return;
    const std::optional<QString> name = m_askName(CollectionTexts::RenameTitle, renamed->name);
    if (name && !m_store->renameCollection(id, *name))
        failed();
    refresh(QList<qint64>());
}

void CollectionActions::remove(qint64 id)
{
    const std::optional<Collection> deleted = collection(id);
    if (!deleted)
        return;
    Alert question{Alert::Style::Question, CollectionTexts::DeleteTitle, CollectionTexts::deleteQuestion(deleted->name),
                   {}, {CollectionTexts::Delete, CollectionTexts::Cancel}};
    if (m_services.alerts->run(question, m_window) != 0)
        return;
    // Read before they go: those held nowhere else leave the library.
    const std::optional<QList<qint64>> held = m_store->collectionPmids(id);
    if (!held || !m_store->deleteCollection(id))
        failed();
    refresh(held);
}

void CollectionActions::search(const QString &text, qint64 id)
{
    const std::optional<Collection> scope = collection(id);
    const QString title = scope ? CollectionTexts::searchTitleIn(text, scope->name) : CollectionTexts::searchTitle(text);
    m_searching = {m_search->start(text, id ? std::optional<qint64>(id) : std::nullopt), SearchSource::stored(title, id, text), {}};
}

void CollectionActions::showFound(quint64 search, const PmidList &pmids, const ArticleList &first,
                                  const LibrarySearch::Passages &passages)
{
    if (search != m_searching.number)
        return;
    m_searching.tab = m_newTab();
    m_searching.tab->session().showStored(m_searching.source, first, pmids.size());
    m_searching.tab->showPassages(passages);
}

void CollectionActions::showMoreFound(quint64 search, const ArticleList &records)
{
    if (search == m_searching.number && m_searching.tab)
        m_searching.tab->session().appendStored(m_searching.source, records);
}

void CollectionActions::removeSelection()
{
    ResultTab *tab = currentTab();
    const qint64 id = m_collectionTabs.value(tab);
    if (id == 0)
        return;
    PmidList pmids;
    for (const int row : tab->selectedRows())
        pmids.append(pmidOf(tab->session().articles().at(row)));
    if (pmids.isEmpty())
        return;
    tab->noteEditor()->flush();
    // Read before they go: an article no longer held anywhere leaves the library.
    const std::optional<QList<ArticleToStore>> articles = m_store->articlesToStore(pmids, id);
    if (!articles || !m_store->removeArticles(id, pmids)) {
        failed();
        return;
    }
    m_removals[tab].append({id, *articles});
    showCollectionIn(tab, id);
    refresh(pmids);
    say(CollectionTexts::removed(pmids.size()));
}

void CollectionActions::undoRemoval()
{
    ResultTab *tab = currentTab();
    QList<Removal> &removals = m_removals[tab];
    if (removals.isEmpty())
        return;
    const Removal removal = removals.takeLast();
    if (!m_store->addArticles(removal.collection, removal.articles)) {
        removals.append(removal);
        failed();
        return;
    }
    showCollectionIn(tab, removal.collection);
    QList<qint64> pmids;
    for (const ArticleToStore &article : removal.articles)
        pmids.append(pmidOf(article.record));
    refresh(pmids);
    say(LibraryMessages::added(removal.articles.size(), m_collectionTabs.contains(tab) ? tab->session().source().query : QString()));
}

ResultTab *CollectionActions::currentTab() const
{
    return m_ui.resultTabs->current();
}

qint64 CollectionActions::openCollection() const
{
    const ResultTab *tab = currentTab();
    if (const qint64 id = tab ? m_collectionTabs.value(const_cast<ResultTab *>(tab)) : 0)
        return id;
    if (const qint64 chosen = m_panel->chosen())
        return chosen;
    say(CollectionTexts::NoCollectionOpen);
    return 0;
}

std::optional<Collection> CollectionActions::collection(qint64 id) const
{
    for (const Collection &collection : m_collections) {
        if (collection.id == id)
            return collection;
    }
    return std::nullopt;
}

bool CollectionActions::failed() const
{
    const QString reason = m_store ? m_store->error() : CollectionTexts::NoLibrary;
    m_services.alerts->run({Alert::Style::Warning, CollectionTexts::LibraryErrorTitle, reason, {}, {CollectionTexts::OK}},
                           m_window);
    return false;
}

void CollectionActions::say(const QString &message) const
{
    m_ui.messageNSTextField->setText(message);
}

void CollectionActions::updateActions()
{
    ResultTab *tab = currentTab();
    const qint64 id = m_collectionTabs.value(tab);
    m_removeAction->setEnabled(id != 0);
    m_undoAction->setEnabled(!m_removals.value(tab).isEmpty());
    const std::optional<Collection> open = collection(id);
    m_panel->setOpenCollection(id, open ? open->name : QString());
}
