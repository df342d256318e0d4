#pragma once

#include <QObject>
#include <QString>

class LibraryStore;
class SearchSession;

// Writes every result set of one session into the history: a numbered
// entry when it starts, its count, translation and warnings once the
// service answered. The window keeps one per tab.
class HistoryRecorder : public QObject
{
    Q_OBJECT

public:
    HistoryRecorder(LibraryStore &store, SearchSession &session, QObject *parent = nullptr);

    // The number of the session's current result set; 0 before the first or
    // when recording it failed.
    qint64 currentNumber() const { return m_number; }
    // The next search was typed as `typed`, before its #n references were
    // expanded: the history keeps it as typed.
    void setTypedQuery(const QString &typed) { m_typed = typed; }

signals:
    // A result set was entered into the history, or its answer was added to it.
    void recorded(qint64 number);
    // The history could not be written; the reason, for the user.
    void failed(const QString &message);

private:
    void recordStart();
    void recordAnswer();

    LibraryStore &m_store;
    SearchSession &m_session;
    qint64 m_number = 0;
    QString m_typed;
};
