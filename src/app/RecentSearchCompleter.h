#pragma once

#include "preferences/RecentSearches.h"

#include <QCompleter>

class QSettings;
class QStringListModel;

// The search field's completion: the recent searches that contain what was
// typed, case-blind, most recent first. Kept in the settings as it changes.
class RecentSearchCompleter : public QCompleter
{
    Q_OBJECT

public:
    RecentSearchCompleter(QSettings &settings, QObject *parent = nullptr);

    const QStringList &queries() const { return m_searches.queries(); }
    void remember(const QString &query);
    void clear();

signals:
    void queriesChanged();

private:
    void store();

    QSettings &m_settings;
    RecentSearches m_searches;
    QStringListModel *m_model;
};
