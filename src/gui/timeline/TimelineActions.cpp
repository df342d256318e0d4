#include "gui/timeline/TimelineActions.h"

#include "ui_MainWindow.h"

#include "export/ExportFile.h"
#include "gui/mainwindow/AppMessages.h"
#include "gui/mainwindow/ResultTab.h"
#include "gui/timeline/TimelinePanel.h"
#include "gui/timeline/TimelineTexts.h"
#include "gui/timeline/YearChartView.h"
#include "library/HistoryRecorder.h"
#include "library/LibraryStore.h"
#include "search/SearchMessages.h"
#include "search/SearchSession.h"
#include "timeline/YearCountsDownload.h"

#include <QAction>
#include <QBuffer>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QMainWindow>
#include <QPainter>
#include <QToolButton>

namespace {
// PubMed's own open start of a date range: the count stops at the oldest articles.
constexpr int kEarliestYear = 1000;
} // namespace

TimelineActions::TimelineActions(const AppServices &services, const SessionSettings &settings, Ui::MainWindow &ui,
                                 QMainWindow &window)
    : QObject(&window)
    , m_library(services.library)
    , m_alerts(*services.alerts)
    , m_window(window)
    , m_panel(new TimelinePanel(&window))
    , m_download(new YearCountsDownload(settings, this))
    , m_lastYear(QDate::currentDate().year())
{
    m_show = m_panel->toggleViewAction();
    m_show->setObjectName(QStringLiteral("resultsByYearAction"));
    m_show->setText(QStringLiteral("Results by &Year"));
    m_show->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Y));
    ui.viewMenu->addAction(m_show);
    m_button = new QToolButton(&window);
    m_button->setObjectName(QStringLiteral("byYearButton"));
    m_button->setText(QStringLiteral("By year"));
    m_button->setToolTip(TimelineTexts::PanelTitle);
    m_button->setAccessibleName(TimelineTexts::PanelTitle);
    ui.statusRow->insertWidget(1, m_button);
    connect(m_button, &QToolButton::clicked, this, [this] {
        m_panel->show();
        m_panel->raise();
        m_panel->chart()->setFocus(Qt::OtherFocusReason);
    });
    connect(m_panel, &QDockWidget::visibilityChanged, this, [this](bool visible) {
        if (visible)
            refresh();
    });
    connect(m_panel, &TimelinePanel::cancelRequested, this, [this] {
        m_download->cancel();
        show();
    });
    connect(m_panel, &TimelinePanel::yearsChosen, this, &TimelineActions::yearsChosen);
    connect(m_panel, &TimelinePanel::saveChartRequested, this, &TimelineActions::saveChart);
    connect(m_panel, &TimelinePanel::saveCountsRequested, this, &TimelineActions::saveCounts);
    connect(m_download, &YearCountsDownload::progressed, this, &TimelineActions::show);
    connect(m_download, &YearCountsDownload::finished, this, [this] {
        record();
        show();
    });
    connect(m_download, &YearCountsDownload::failed, m_panel, &TimelinePanel::showFailure);
}

TimelineActions::~TimelineActions() = default;

QString TimelineActions::timelineQuery(const ResultTab &tab)
{
    const SearchSource &source = tab.session().source();
    if (source.kind != SearchSource::Kind::Query)
        return {};
    SearchFilters filters = source.filters;
    filters.yearFrom = filters.yearTo = 0;
    return filters.effectiveQuery(source.query);
}

void TimelineActions::follow(ResultTab *tab)
{
    m_tab = tab;
    if (m_panel->isVisible())
        refresh();
}

void TimelineActions::refresh()
{
    const QString query = m_tab ? timelineQuery(*m_tab) : QString();
    // Counting goes on while the tab searches its next batch.
    if (query == m_query && (m_download->isRunning() || m_counted.contains(query)))
        return;
    if (query.isEmpty()) {
        m_download->cancel();
        m_query.clear();
        m_panel->showNothing(TimelineTexts::NoSearch);
        return;
    }
    if (!m_counted.contains(query) && m_library) {
        const QDateTime since = QDateTime::currentDateTimeUtc().addDays(-kCachedCountsDays);
        if (const std::optional<QString> kept = m_library->yearCounts(query, since); kept && !kept->isEmpty()) {
            if (const std::optional<YearCounts> counts = YearCountsCsv::read(*kept))
                m_counted.insert(query, *counts);
        }
    }
    const SearchSession &session = m_tab->session();
    // The first batch's years come with the count's start.
    if (!m_counted.contains(query) && session.isBusy() && session.articles().isEmpty())
        return;
    m_download->cancel();
    m_query = query;
    if (m_counted.contains(query)) {
        show();
        return;
    }
    m_loaded.clear();
    for (const ArticleRecord &article : session.articles()) {
        if (const int year = article.text(ArticleRecord::Key::Year).toInt(); year > 0 && year <= m_lastYear)
            ++m_loaded[year];
    }
    const QList<int> years = m_loaded.keys();
    m_download->start(query, TimelinePlan(kEarliestYear, m_lastYear, QSet<int>(years.cbegin(), years.cend())));
    show();
}

void TimelineActions::show()
{
    if (const auto counted = m_counted.constFind(m_query); counted != m_counted.cend()) {
        m_panel->showCounts(*counted, m_lastYear);
        return;
    }
    const std::optional<TimelinePlan> &plan = m_download->plan();
    if (!plan || m_download->query() != m_query)
        return;
    // The loaded articles' years at once, the exact counts over them as they come.
    YearCounts counts = m_loaded;
    for (auto year = plan->counts().cbegin(); year != plan->counts().cend(); ++year)
        counts.insert(year.key(), year.value());
    const bool counting = m_download->isRunning();
    m_panel->showCounts(counting ? counts : plan->counts(), m_lastYear,
                        counting ? std::optional<int>(plan->knownFrom()) : std::nullopt);
}

void TimelineActions::record()
{
    const std::optional<TimelinePlan> &plan = m_download->plan();
    if (!plan || !plan->isDone())
        return;
    m_counted.insert(m_download->query(), plan->counts());
    const HistoryRecorder *recorder = m_tab ? m_tab->findChild<HistoryRecorder *>() : nullptr;
    // A history that cannot be written says so once it is searched; the counts stay for the session.
    if (m_library && recorder && recorder->currentNumber() > 0)
        m_library->recordYearCounts(recorder->currentNumber(), m_download->query(), YearCountsCsv::write(plan->counts()));
}

void TimelineActions::saveChart()
{
    QString filter;
    QString path = QFileDialog::getSaveFileName(&m_window, TimelineTexts::SaveChartTitle,
                                                QStringLiteral("results-by-year.png"), TimelineTexts::ChartFilter, &filter);
    if (path.isEmpty())
        return;
    const bool svg = QFileInfo(path).suffix().compare(QLatin1String("svg"), Qt::CaseInsensitive) == 0
                     || (QFileInfo(path).suffix().isEmpty() && filter.startsWith(QLatin1String("SVG")));
    if (QFileInfo(path).suffix().isEmpty())
        path += svg ? QStringLiteral(".svg") : QStringLiteral(".png");
    const YearChart chart = m_panel->chart()->chart();
    QByteArray bytes;
    if (svg) {
        bytes = chart.svg(m_query).toUtf8();
    } else {
        QImage image(chart.size.toSize(), QImage::Format_ARGB32);
        QPainter painter(&image);
        YearChartView::paint(painter, chart);
        painter.end();
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
    }
    report(writeFileAtomically(path, bytes));
}

void TimelineActions::saveCounts()
{
    QString path = QFileDialog::getSaveFileName(&m_window, TimelineTexts::SaveCountsTitle,
                                                QStringLiteral("PubMed_Timeline_Results_by_Year.csv"),
                                                TimelineTexts::CountsFilter);
    if (path.isEmpty())
        return;
    const std::optional<TimelinePlan> &plan = m_download->plan();
    const YearCounts counts = m_counted.contains(m_query) ? m_counted.value(m_query)
                              : plan                      ? plan->counts()
                                                          : YearCounts();
    report(writeFileAtomically(path, YearCountsCsv::write(counts, m_query).toUtf8()));
}

bool TimelineActions::report(const std::optional<QString> &failure)
{
    if (!failure)
        return true;
    m_alerts.run({Alert::Style::Warning, TimelineTexts::SaveFailed, TimelineTexts::SaveFailed, *failure,
                  {SearchMessages::OK}},
                 &m_window);
    return false;
}
