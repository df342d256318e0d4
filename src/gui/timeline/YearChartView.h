#pragma once

#include "timeline/TimelinePlan.h"
#include "timeline/YearChart.h"

#include <QWidget>

#include <optional>

class QPainter;

// The bars of the articles per year. A drag over bars, or the arrow keys
// with Shift, chooses a span of years; releasing the drag, or Return,
// narrows the search to it (yearsChosen). Its accessible description reads
// the chosen bar's year and count.
class YearChartView : public QWidget
{
    Q_OBJECT

public:
    explicit YearChartView(QWidget *parent = nullptr);

    // The counts from `firstYear` to `lastYear`; a year without a count has none.
    void setCounts(const YearCounts &counts, int firstYear, int lastYear);
    // The years chosen and not yet sent; none when nothing is chosen.
    std::optional<YearSpan> chosen() const;
    // Draws `chart` on any device, the chosen years marked.
    static void paint(QPainter &painter, const YearChart &chart, const std::optional<YearSpan> &chosen = {});
    YearChart chart() const { return YearChart::layOut(m_counts, m_first, m_last, size()); }

    QSize sizeHint() const override { return {420, 180}; }

signals:
    void yearsChosen(int fromYear, int toYear);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool event(QEvent *event) override;

private:
    void choose(int anchor, int year);
    void describe();

    YearCounts m_counts;
    int m_first = 0;
    int m_last = -1;
    std::optional<int> m_anchor;
    std::optional<int> m_cursor;
};
