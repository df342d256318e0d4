#include "gui/timeline/TimelinePanel.h"

#include "gui/timeline/TimelineTexts.h"
#include "gui/timeline/YearChartView.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
QPushButton *button(const QString &text, const QString &name, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(name);
    return button;
}
} // namespace

TimelinePanel::TimelinePanel(QWidget *parent)
    : QDockWidget(TimelineTexts::PanelTitle, parent)
{
    setObjectName(QStringLiteral("timelinePanel"));
    auto *body = new QWidget(this);
    auto *layout = new QVBoxLayout(body);
    auto *top = new QHBoxLayout;
    m_summary = new QLabel(body);
    m_summary->setObjectName(QStringLiteral("timelineSummary"));
    m_status = new QLabel(body);
    m_status->setObjectName(QStringLiteral("timelineStatus"));
    m_status->setTextFormat(Qt::PlainText);
    m_stop = button(QStringLiteral("Stop"), QStringLiteral("timelineStopButton"), body);
    top->addWidget(m_summary);
    top->addStretch(1);
    top->addWidget(m_status);
    top->addWidget(m_stop);
    layout->addLayout(top);

    m_views = new QStackedWidget(body);
    m_chart = new YearChartView(m_views);
    m_table = new QTableWidget(0, 2, m_views);
    m_table->setObjectName(QStringLiteral("timelineTable"));
    m_table->setAccessibleName(TimelineTexts::ChartName);
    m_table->setHorizontalHeaderLabels({QStringLiteral("Year"), QStringLiteral("Count")});
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_views->addWidget(m_chart);
    m_views->addWidget(m_table);
    layout->addWidget(m_views, 1);

    auto *buttons = new QHBoxLayout;
    m_asTable = button(QStringLiteral("Ta&ble"), QStringLiteral("timelineTableButton"), body);
    m_asTable->setCheckable(true);
    m_saveChart = button(QStringLiteral("Save Chart\u2026"), QStringLiteral("saveChartButton"), body);
    m_saveCounts = button(QStringLiteral("Save Co&unts\u2026"), QStringLiteral("saveCountsButton"), body);
    buttons->addWidget(m_asTable);
    buttons->addStretch(1);
    buttons->addWidget(m_saveChart);
    buttons->addWidget(m_saveCounts);
    layout->addLayout(buttons);
    setWidget(body);

    connect(m_asTable, &QPushButton::toggled, m_views, [this](bool table) { m_views->setCurrentIndex(table ? 1 : 0); });
    connect(m_stop, &QPushButton::clicked, this, &TimelinePanel::cancelRequested);
    connect(m_saveChart, &QPushButton::clicked, this, &TimelinePanel::saveChartRequested);
    connect(m_saveCounts, &QPushButton::clicked, this, &TimelinePanel::saveCountsRequested);
    connect(m_chart, &YearChartView::yearsChosen, this, &TimelinePanel::yearsChosen);
    showNothing(TimelineTexts::NoSearch);
}

void TimelinePanel::showCounts(const YearCounts &counts, int lastYear, std::optional<int> countingFrom)
{
    const YearSpread spread = YearSpread::of(counts);
    m_summary->setText(spread.total > 0 ? TimelineTexts::summary(spread.total, spread.first, spread.last) : QString());
    m_status->setText(countingFrom ? TimelineTexts::counting(*countingFrom) : spread.total > 0 ? QString() : TimelineTexts::NoArticles);
    m_stop->setVisible(countingFrom.has_value());
    const int first = spread.total > 0 ? spread.first : lastYear + 1;
    m_chart->setCounts(counts, countingFrom ? qMin(first, *countingFrom) : first, lastYear);
    fillTable(counts);
    m_saveChart->setEnabled(spread.total > 0);
    m_saveCounts->setEnabled(spread.total > 0);
}

void TimelinePanel::showNothing(const QString &text)
{
    m_summary->setText({});
    m_status->setText(text);
    m_stop->hide();
    m_chart->setCounts({}, 0, -1);
    fillTable({});
    m_saveChart->setEnabled(false);
    m_saveCounts->setEnabled(false);
}

void TimelinePanel::showFailure(const QString &reason)
{
    m_status->setText(TimelineTexts::stopped(reason));
    m_stop->hide();
}

void TimelinePanel::fillTable(const YearCounts &counts)
{
    QList<std::pair<int, qint64>> rows;
    for (auto year = counts.cend(); year != counts.cbegin();) {
        --year;
        if (year.value() > 0)
            rows.append({year.key(), year.value()});
    }
    m_table->setRowCount(int(rows.size()));
    for (int row = 0; row < rows.size(); ++row) {
        m_table->setItem(row, 0, new QTableWidgetItem(QString::number(rows.at(row).first)));
        auto *count = new QTableWidgetItem(QLocale().toString(rows.at(row).second));
        count->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_table->setItem(row, 1, count);
    }
}
