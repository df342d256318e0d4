#pragma once

#include "gui/mainwindow/AppServices.h"
#include "gui/savedsearches/SavedSearchesPanel.h"

#include <QHash>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class QMainWindow;
class ResultTab;
class SavedSearchCheck;
struct SearchSource;

namespace Ui {
class MainWindow;
}

// Saved searches in the window: Search > Save Search saves the current
// tab's query, filters and sort under a name; the "Saved Searches" dock
// lists them with their new articles and checks them in the background,
// one after another, paced with every other request.
class SavedSearchActions : public QObject
{
    Q_OBJECT

public:
    SavedSearchActions(const AppServices &services, Ui::MainWindow &ui, QMainWindow &window);
    ~SavedSearchActions() override;

    SavedSearchesPanel *panel() const { return m_panel; }
    bool eventFilter(QObject *watched, QEvent *event) override;
    void saveCurrentSearch();
    // Checks `ids`, or every saved search for none; false while a check runs.
    bool check(const QList<qint64> &ids = {});

signals:
    void searchRequested(const SearchSource &source);

private:
    // Reads the saved searches again, those another program (vexmoor-cli) added too.
    void refresh();
    // What the last check said of each search still saved, under its name now.
    void showCheckNotes();
    std::optional<SavedSearch> byId(qint64 id) const;
    // A new tab of its results, its new articles marked.
    void open(qint64 id);
    void rename(qint64 id);
    void edit(qint64 id);
    void remove(qint64 id);
    // A line of text asked for in a dialog; none when cancelled.
    std::optional<QString> ask(const QString &title, const QString &label, const QString &text);
    bool report(bool done);

    const AppServices m_services;
    Ui::MainWindow &m_ui;
    QMainWindow &m_window;
    SavedSearchesPanel *m_panel;
    std::unique_ptr<SavedSearchCheck> m_check;
    // The tab each saved search was last opened in, to unmark when its articles are seen.
    QHash<qint64, QPointer<ResultTab>> m_opened;
    // What the last check said, in the order said: the search and its line for a name.
    QList<std::pair<qint64, std::function<QString(const QString &name)>>> m_checkNotes;
};
