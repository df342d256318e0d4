#include "app/RecentSearchCompleter.h"

#include <QSettings>
#include <QStringListModel>

RecentSearchCompleter::RecentSearchCompleter(QSettings &settings, QObject *parent)
    : QCompleter(parent), m_settings(settings), m_searches(RecentSearches::load(settings)),
      m_model(new QStringListModel(m_searches.queries(), this))
{
    setModel(m_model);
    setCaseSensitivity(Qt::CaseInsensitive);
    setFilterMode(Qt::MatchContains);
}

void RecentSearchCompleter::remember(const QString &query)
{
    m_searches.add(query);
    store();
}

void RecentSearchCompleter::clear()
{
    m_searches.clear();
    store();
}

void RecentSearchCompleter::store()
{
    m_searches.save(m_settings);
    // A query picked from the list is searched while the list still shows;
    // changing the list under it would put another entry into the field.
    QMetaObject::invokeMethod(
        this, [this] { m_model->setStringList(m_searches.queries()); }, Qt::QueuedConnection);
    emit queriesChanged();
}
