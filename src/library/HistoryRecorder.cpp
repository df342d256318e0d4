#include "library/HistoryRecorder.h"

#include "library/LibraryStore.h"
#include "search/QueryDetails.h"
#include "search/SearchSession.h"

#include <utility>

HistoryRecorder::HistoryRecorder(LibraryStore &store, SearchSession &session, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_session(session)
{
    connect(&session, &SearchSession::started, this, &HistoryRecorder::recordStart);
    connect(&session, &SearchSession::answered, this, &HistoryRecorder::recordAnswer);
}

void HistoryRecorder::recordStart()
{
    // A pasted reference list is no search that could be run again.
    if (m_session.source().kind == SearchSource::Kind::List) {
        m_number = 0;
        return;
    }
    m_number = m_store.recordStart(m_session.source(), std::exchange(m_typed, QString()));
    if (m_number == 0) {
        emit failed(m_store.error());
        return;
    }
    emit recorded(m_number);
}

void HistoryRecorder::recordAnswer()
{
    // A search whose start could not be written has no row to complete.
    if (m_number == 0)
        return;
    const SearchResult &answer = m_session.queryAnswer();
    if (!m_store.recordAnswer(m_number, m_session.totalCount(), answer.translation, QueryDetails::summary(answer))) {
        emit failed(m_store.error());
        return;
    }
    emit recorded(m_number);
}
