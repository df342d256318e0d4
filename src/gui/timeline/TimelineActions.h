#pragma once

#include "gui/mainwindow/AppServices.h"
#include "timeline/YearCounts.h"

#include <QHash>
#include <QObject>
#include <QPointer>

class QAction;
class QMainWindow;
class QToolButton;
class ResultTab;
class TimelinePanel;
class YearCountsDownload;
struct SessionSettings;

namespace Ui {
class MainWindow;
}

// The window's side of Results by Year: the dock (View > Results by Year,
// and the By year button beside the count), kept showing the current tab's
// search. The years of the articles loaded show at once; the exact counts
// follow from the most recent year back, each count kept for the session
// and in the search's history entry, so that showing the same search again
// asks nothing. Choosing years on the chart asks for the search to be
// narrowed to them (yearsChosen).
class TimelineActions : public QObject
{
    Q_OBJECT

public:
    // A day's counts stand; older ones are counted again.
    static constexpr int kCachedCountsDays = 1;

    TimelineActions(const AppServices &services, const SessionSettings &settings, Ui::MainWindow &ui,
                    QMainWindow &window);
    ~TimelineActions() override;

    // Follows the search of `tab`, the current one; counts it while the dock shows.
    void follow(ResultTab *tab);
    TimelinePanel *panel() const { return m_panel; }
    QAction *showAction() const { return m_show; }
    // The query counted for `tab`: its search without the year filter.
    static QString timelineQuery(const ResultTab &tab);

signals:
    void yearsChosen(int fromYear, int toYear);

private:
    void refresh();
    void show();
    void record();
    void saveChart();
    void saveCounts();
    bool report(const std::optional<QString> &failure);

    LibraryStore *m_library;
    AlertPresenter &m_alerts;
    QMainWindow &m_window;
    TimelinePanel *m_panel;
    QAction *m_show;
    QToolButton *m_button;
    YearCountsDownload *m_download;
    QPointer<ResultTab> m_tab;
    QString m_query; // the query shown
    YearCounts m_loaded; // the years of the articles loaded when the count began
    int m_lastYear;
    QHash<QString, YearCounts> m_counted; // complete counts, by query
};
