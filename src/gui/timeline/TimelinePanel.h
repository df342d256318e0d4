#pragma once

#include "timeline/YearCounts.h"

#include <QDockWidget>

#include <optional>

class QLabel;
class QPushButton;
class QStackedWidget;
class QTableWidget;
class YearChartView;

// The Results by Year dock: the total and the range of years, the chart of
// articles per year (or, toggled, the same counts as a table), how far the
// count has come, and its buttons: stop counting, save the chart or the counts.
class TimelinePanel : public QDockWidget
{
    Q_OBJECT

public:
    explicit TimelinePanel(QWidget *parent = nullptr);

    // The counts up to `lastYear`, from the earliest year with articles; while
    // more are to come, `countingFrom` is the earliest year counted so far.
    void showCounts(const YearCounts &counts, int lastYear, std::optional<int> countingFrom = {});
    // Nothing to count: the text says why.
    void showNothing(const QString &text);
    void showFailure(const QString &reason);
    YearChartView *chart() const { return m_chart; }

signals:
    void yearsChosen(int fromYear, int toYear);
    void cancelRequested();
    void saveChartRequested();
    void saveCountsRequested();

private:
    void fillTable(const YearCounts &counts);

    QLabel *m_summary;
    QLabel *m_status;
    QPushButton *m_stop;
    QPushButton *m_asTable;
    QPushButton *m_saveChart;
    QPushButton *m_saveCounts;
    QStackedWidget *m_views;
    YearChartView *m_chart;
    QTableWidget *m_table;
};
