#pragma once

#include "preferences/RecentSearches.h"

#include <QCompleter>

class LibraryStore;
class QSettings;
class QStringListModel;

// The search field's completion: the queries searched before that contain
// what was typed, case-blind, most recent first. They come from the search
// history when there is a library, else from the recent searches kept in
// the settings as they change.
class RecentSearchCompleter : public QCompleter
{
    Q_OBJECT

public:
    // How many of the history's queries are offered.
    static constexpr int kHistoryQueries = 500;

    RecentSearchCompleter(QSettings &settings, LibraryStore *library, QObject *parent = nullptr);

    const QStringList &queries() const { return m_queries; }
    void remember(const QString &query);
    // Empties the settings' list; the history is cleared by its own owner.
    void clear();
    // Reads the history's queries again after it changed.
    void reload();

signals:
    void queriesChanged();

private:
    void store();
    void show(const QStringList &queries);

    QSettings &m_settings;
    LibraryStore *m_library;
    RecentSearches m_searches;
    QStringList m_queries;
    QStringListModel *m_model;
};
