#pragma once

#include "gui/mainwindow/AppServices.h"
#include "gui/history/HistoryWindow.h"
#include "library/HistoryEntry.h"
#include "library/HistoryExpansion.h"

#include <QObject>
#include <QPointer>

class QAction;
class QMainWindow;
class RecentSearchCompleter;
class SavedSearchActions;
class ResultTab;
struct SearchSource;

namespace Ui {
class MainWindow;
}

// The window's side of the search history: a recorder on every tab's
// session, "#n" in the search field, the search field's completion, the
// history window (View > Search History), File > Export Search Log, and
// the saved searches (SavedSearchActions), whose searches it passes on.
// Without a library the history's commands are offered disabled, saying
// why, and the completion falls back to the settings' recent searches.
class HistoryActions : public QObject
{
    Q_OBJECT

public:
    // What the history window reads first, and then at each turn of the event loop.
    static constexpr int kFirstHistoryPage = 500;
    static constexpr int kOlderHistoryPage = 10000;

    HistoryActions(const AppServices &services, Ui::MainWindow &ui, QMainWindow &window);

    RecentSearchCompleter *completer() const { return m_completer; }
    // Records every result set of `tab`'s session from now on.
    void attach(ResultTab &tab);
    // Replaces the #n references of `source`'s query by the searches they
    // name, keeping what was typed for the history and the details. False,
    // with the reason in the message line, when one cannot be replaced.
    bool expand(ResultTab &tab, SearchSource &source);
    // Edit > Clear Recent Searches: with a library, that is the history.
    void clearRecentSearches();
    void showHistory();
    // Writes the log of `numbers`, or of the whole history for none, to a file the user picks.
    void exportLog(const QList<qint64> &numbers);
    HistoryWindow *historyWindow() const { return m_historyWindow; }
    SavedSearchActions *savedSearches() const { return m_saved; }

signals:
    // A search to run in a new tab; a query may hold #n references.
    void searchRequested(const SearchSource &source);

private:
    void addActions();
    void refresh();
    // The newest entries at once, the older ones a page at a time from the
    // event loop, so that a long history opens at once and never holds the window.
    void loadHistory();
    void loadOlder(int generation);
    void combine(QList<qint64> numbers, HistoryExpansion::Operator op);
    void remove(const QList<qint64> &numbers);
    // Shows the store's error when `done` is false.
    bool report(bool done);
    // The history window while it shows, else the main window.
    QWidget *alertParent() const;

    LibraryStore *m_library;
    AlertPresenter &m_alerts;
    Ui::MainWindow &m_ui;
    QMainWindow &m_window;
    RecentSearchCompleter *m_completer;
    QPointer<HistoryWindow> m_historyWindow;
    QList<HistoryEntry> m_loading; // newest first, shown whole once complete
    int m_loadGeneration = 0;      // a newer load makes an older one stop
    SavedSearchActions *m_saved;
};
