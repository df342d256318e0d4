#pragma once

#include "entrez/EutilsTransfer.h"
#include "search/SearchSession.h"

#include <QNetworkAccessManager>
#include <QObject>
#include <QQueue>

// Counts the articles of queries, one small ESearch (rettype=count) at a
// time in the order asked, through the process's request limiter: what the
// advanced builder's "Add with count" asks for each row.
class QueryCounter : public QObject
{
    Q_OBJECT

public:
    explicit QueryCounter(const SessionSettings &settings, QObject *parent = nullptr);

    // Asks for the count of `query`; counted(key, ...) brings it. A blank query is not asked.
    void count(int key, const QString &query);
    // Drops every count not yet answered.
    void cancel();

signals:
    void counted(int key, qint64 count);
    void failed(int key, const QString &reason);

private:
    void askNext();

    SessionSettings m_settings;
    QNetworkAccessManager m_manager;
    EutilsTransfer m_transfer;
    QQueue<std::pair<int, QString>> m_waiting;
    int m_asked = 0;
};
