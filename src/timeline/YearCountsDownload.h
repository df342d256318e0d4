#pragma once

#include "entrez/EutilsTransfer.h"
#include "search/SearchSession.h"
#include "timeline/TimelinePlan.h"

#include <QNetworkAccessManager>
#include <QObject>

#include <optional>

// Runs a TimelinePlan for one query over the network: one count request at a
// time through the process's request limiter, busy answers retried, so any
// number of timelines and searches together keep the service's pace.
class YearCountsDownload : public QObject
{
    Q_OBJECT

public:
    explicit YearCountsDownload(const SessionSettings &settings, QObject *parent = nullptr);

    // Starts counting `query` (as typed, with its filters) over the plan's
    // years, ending a running count first. False for a blank query.
    bool start(const QString &query, const TimelinePlan &plan);
    // Ends the count; what is known so far stays.
    void cancel();
    bool isRunning() const { return m_transfer.isRunning(); }
    const QString &query() const { return m_query; }
    const std::optional<TimelinePlan> &plan() const { return m_plan; }

signals:
    // A count arrived.
    void progressed();
    void finished();
    // The count stopped: the reason, for the user.
    void failed(const QString &reason);

private:
    void askNext();
    void onAnswer();

    SessionSettings m_settings;
    QNetworkAccessManager m_manager;
    EutilsTransfer m_transfer;
    QString m_query;
    QString m_term;
    std::optional<TimelinePlan> m_plan;
};
