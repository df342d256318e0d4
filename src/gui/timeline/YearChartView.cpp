#include "gui/timeline/YearChartView.h"

#include "gui/timeline/TimelineTexts.h"

#include <QAccessible>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

YearChartView::YearChartView(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("yearChartView"));
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(TimelineTexts::ChartName);
    setToolTip(TimelineTexts::ChartHelp);
    setMinimumSize(240, 120);
}

void YearChartView::setCounts(const YearCounts &counts, int firstYear, int lastYear)
{
    m_counts = counts;
    m_first = firstYear;
    m_last = lastYear;
    if (m_cursor && (*m_cursor < m_first || *m_cursor > m_last))
        m_anchor = m_cursor = std::nullopt;
    describe();
    update();
}

std::optional<YearSpan> YearChartView::chosen() const
{
    if (!m_anchor || !m_cursor)
        return std::nullopt;
    return YearSpan{qMin(*m_anchor, *m_cursor), qMax(*m_anchor, *m_cursor)};
}

void YearChartView::paint(QPainter &painter, const YearChart &chart, const std::optional<YearSpan> &chosen)
{
    painter.fillRect(QRectF(QPointF(0, 0), chart.size), Qt::white);
    painter.setPen(Qt::black);
    painter.drawLine(chart.plot.bottomLeft(), chart.plot.bottomRight());
    painter.drawText(QRectF(0, chart.plot.top(), YearChart::kLeftMargin - 4, 14), Qt::AlignRight,
                     QString::number(chart.largest));
    for (const YearChart::Bar &bar : chart.bars) {
        const bool marked = chosen && bar.year >= chosen->from && bar.year <= chosen->to;
        if (marked)
            painter.fillRect(QRectF(bar.rect.left(), chart.plot.top(), bar.rect.width(), chart.plot.height()),
                             QColor(255, 220, 120));
        if (bar.count > 0)
            painter.fillRect(bar.rect, marked ? QColor(200, 90, 20) : QColor(58, 110, 165));
    }
    for (const int year : chart.labelledYears) {
        const QRectF &rect = chart.bars.at(year - chart.bars.constFirst().year).rect;
        painter.drawText(QRectF(rect.center().x() - 30, chart.plot.bottom() + 3, 60, 16), Qt::AlignHCenter,
                         QString::number(year));
    }
}

void YearChartView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paint(painter, chart(), chosen());
    if (hasFocus() && m_cursor) {
        const YearChart current = chart();
        const QRectF rect = current.bars.value(*m_cursor - m_first).rect;
        painter.setPen(QPen(palette().highlight(), 1, Qt::DotLine));
        painter.drawRect(QRectF(rect.left(), current.plot.top(), rect.width(), current.plot.height()));
    }
}

void YearChartView::choose(int anchor, int year)
{
    m_anchor = qBound(m_first, anchor, m_last);
    m_cursor = qBound(m_first, year, m_last);
    describe();
    update();
}

void YearChartView::mousePressEvent(QMouseEvent *event)
{
    if (const std::optional<int> year = chart().yearAt(event->position().x()); year && event->button() == Qt::LeftButton)
        choose(*year, *year);
}

void YearChartView::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton) || !m_anchor)
        return;
    if (const std::optional<int> year = chart().yearAt(event->position().x()))
        choose(*m_anchor, *year);
}

void YearChartView::mouseReleaseEvent(QMouseEvent *event)
{
    if (const std::optional<YearSpan> span = chosen(); span && event->button() == Qt::LeftButton)
        emit yearsChosen(span->from, span->to);
}

void YearChartView::keyPressEvent(QKeyEvent *event)
{
    if (m_last < m_first)
        return QWidget::keyPressEvent(event);
    const int cursor = m_cursor.value_or(m_last);
    const bool widen = event->modifiers() & Qt::ShiftModifier;
    int year = cursor;
    switch (event->key()) {
    case Qt::Key_Left:
        year = cursor - 1;
        break;
    case Qt::Key_Right:
        year = cursor + 1;
        break;
    case Qt::Key_Home:
        year = m_first;
        break;
    case Qt::Key_End:
        year = m_last;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (const std::optional<YearSpan> span = chosen())
            emit yearsChosen(span->from, span->to);
        return;
    default:
        return QWidget::keyPressEvent(event);
    }
    choose(widen && m_anchor ? *m_anchor : year, year);
}

bool YearChartView::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto *help = static_cast<QHelpEvent *>(event);
        if (const std::optional<int> year = chart().yearAt(help->pos().x()))
            QToolTip::showText(help->globalPos(), TimelineTexts::bar(*year, m_counts.value(*year)), this);
        return true;
    }
    return QWidget::event(event);
}

// What a screen reader says: the year under the cursor and its count.
void YearChartView::describe()
{
    QString description;
    if (m_cursor)
        description = TimelineTexts::bar(*m_cursor, m_counts.value(*m_cursor));
    if (const std::optional<YearSpan> span = chosen(); span && span->from != span->to)
        description += QStringLiteral("; %1\u2013%2 chosen").arg(span->from).arg(span->to);
    setAccessibleDescription(description);
    if (QAccessible::isActive()) {
        QAccessibleEvent changed(this, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&changed);
    }
}
