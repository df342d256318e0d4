#include "gui/search/RecentSearchCompleter.h"

#include "library/LibraryStore.h"

#include <QSettings>
#include <QStringListModel>

RecentSearchCompleter::RecentSearchCompleter(QSettings &settings, LibraryStore *library, QObject *parent)
    : QCompleter(parent), m_settings(settings), m_library(library), m_searches(RecentSearches::load(settings)),
      m_model(new QStringListModel(this))
{
    setModel(m_model);
    setCaseSensitivity(Qt::CaseInsensitive);
    setFilterMode(Qt::MatchContains);
    if (m_library)
        reload();
    else
        show(m_searches.queries());
    m_model->setStringList(m_queries);
}

void RecentSearchCompleter::remember(const QString &query)
{
    // The history has it already: its recorder wrote it as the search started.
    if (m_library)
        return reload();
    m_searches.add(query);
    store();
}

void RecentSearchCompleter::clear()
{
    m_searches.clear();
    store();
}

void RecentSearchCompleter::reload()
{
    if (m_library)
        show(m_library->recentQueries(kHistoryQueries).value_or(m_queries));
}

void RecentSearchCompleter::store()
{
    m_searches.save(m_settings);
    if (!m_library)
        show(m_searches.queries());
}

void RecentSearchCompleter::show(const QStringList &queries)
{
    m_queries = queries;
    // A query picked from the list is searched while the list still shows;
    // changing the list under it would put another entry into the field.
    QMetaObject::invokeMethod(this, [this] { m_model->setStringList(m_queries); }, Qt::QueuedConnection);
    emit queriesChanged();
}
