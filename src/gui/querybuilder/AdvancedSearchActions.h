#pragma once

#include <QObject>
#include <QPointer>

class AdvancedSearchDialog;
class LibraryStore;
class QMainWindow;
class QueryCounter;
struct SessionSettings;

// Search > Advanced… (Ctrl+Shift+A): the builder, its history to combine
// read afresh each time it opens, and the counts its rows ask for. The query
// built is passed on to be searched or put in the search field.
class AdvancedSearchActions : public QObject
{
    Q_OBJECT

public:
    // How much of the history the builder offers.
    static constexpr int kHistoryOffered = 100;

    AdvancedSearchActions(const SessionSettings &settings, LibraryStore *library, QMainWindow &window);

    void show();
    AdvancedSearchDialog *dialog() const;

signals:
    void searchRequested(const QString &query, bool newTab);
    void queryChosen(const QString &query);

private:
    LibraryStore *m_library;
    QMainWindow &m_window;
    QueryCounter *m_counter;
    QPointer<AdvancedSearchDialog> m_dialog;
};
