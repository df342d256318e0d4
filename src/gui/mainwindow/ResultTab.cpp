#include "gui/mainwindow/ResultTab.h"

#include "ui_ResultTab.h"

#include "gui/mainwindow/AppMessages.h"
#include "gui/collections/CollectionTexts.h"
#include "gui/collections/NoteEditor.h"
#include "gui/articles/RichTextView.h"
#include "gui/articles/KebNSTableView.h"
#include "citations/StyledText.h"
#include "preferences/WindowLayout.h"
#include "search/CitedByCounts.h"
#include "search/SearchSession.h"

#include <QHeaderView>
#include <QScrollBar>

namespace {
// The columns of the result table: identifiers are record keys, with their first widths.
constexpr int kCitedByWidth = 70;
constexpr int kRcrWidth = 60;
struct ColumnSetup
{
    ArticleTableModel::Column column;
    int width;
};
const ColumnSetup kColumns[] = {
    {{QStringLiteral("authorsString"), QStringLiteral("Authors")}, 220},
    {{QStringLiteral("title"), QStringLiteral("Title")}, 460},
    {{QStringLiteral("journal"), QStringLiteral("Journal")}, 160},
    {{QStringLiteral("year"), QStringLiteral("Year")}, 60},
    {{QStringLiteral("PMID"), QStringLiteral("PMID")}, 90},
    {{QStringLiteral("doi"), QStringLiteral("DOI")}, 0},
    // Last, so that the columns before it keep the places a stored layout gives them.
    {{ArticleTableModel::RankColumn, QStringLiteral("#")}, 50},
    {{ArticleTableModel::CitedByColumn, QStringLiteral("Cited by")}, kCitedByWidth},
    {{ArticleTableModel::LibraryColumn, CollectionTexts::LibraryColumnTitle}, 30},
    {{ArticleTableModel::RcrColumn, QStringLiteral("RCR")}, kRcrWidth},
    {{ArticleTableModel::FullTextColumn, AppMessages::FullTextColumnTitle}, 60},
};
QList<ArticleTableModel::Column> tableColumns()
{
    QList<ArticleTableModel::Column> columns;
    for (const ColumnSetup &setup : kColumns)
        columns.append(setup.column);
    return columns;
}
constexpr double kTextInset = 20.0;
} // namespace

ResultTab::ResultTab(std::unique_ptr<SearchSession> session, QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::ResultTab>()), m_session(std::move(session)),
      m_model(m_session.get(), tableColumns())
{
    m_ui->setupUi(this);
    KebNSTableView *view = table();
    view->setModel(&m_model);
    QHeaderView *header = view->horizontalHeader();
    header->setSortIndicatorShown(true);
    header->setSortIndicator(-1, Qt::AscendingOrder);
    for (int column = 0; column < int(std::size(kColumns)); ++column) {
        if (kColumns[column].width > 0)
            header->resizeSection(column, kColumns[column].width);
    }
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    followCountsPreference();
    m_ui->verticalSplitter->setSizes({460, 220});
    for (QTextEdit *text : {m_ui->abstractNSTextView, m_ui->citationNSTextView}) {
        text->setPlainText(QStringLiteral(" "));
        text->document()->setDocumentMargin(kTextInset);
    }

    // First: any change of the articles makes the views be drawn again.
    const auto articlesChanged = [this] { m_shown.reset(); };
    connect(&m_model, &QAbstractItemModel::modelReset, this, articlesChanged);
    connect(&m_model, &QAbstractItemModel::layoutChanged, this, articlesChanged);
    connect(&m_model, &QAbstractItemModel::rowsInserted, this, articlesChanged);
    connect(&m_model, &QAbstractItemModel::dataChanged, this, articlesChanged);
    connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this, &ResultTab::selectionChanged);
    // A reset clears the selection without a word; the views must still follow it.
    connect(&m_model, &QAbstractItemModel::modelReset, this, &ResultTab::selectionChanged);
    connect(m_session.get(), &SearchSession::articlesAppended, this, &ResultTab::showBatch);
    // Row marks (new in a saved search, changed by an update) name articles
    // of the result set shown, not of what is searched next.
    connect(m_session.get(), &SearchSession::started, &m_model, [this] {
        m_model.setMarks({});
        setName({});
        showPassages({});
    });
    connect(m_session.get(), &SearchSession::articlesReset, this, &ResultTab::followCountsPreference);
    connect(view, &KebNSTableView::doubleAction, this, [this] {
        if (table()->clickedRow() != -1)
            emit openRequested();
    });
    connect(view, &KebNSTableView::returnAction, this, &ResultTab::openRequested);
    connect(view, &KebNSTableView::copyRequested, this, &ResultTab::copyRequested);
    connect(m_ui->articleLinksLabel, &ArticleLinksLabel::linkChosen, this, &ResultTab::linkChosen);
    connect(m_ui->articleLinksLabel, &ArticleLinksLabel::linkSetChosen, this, &ResultTab::linkSetChosen);
    m_linkCounts = new SelectionLinkCounts(m_session->settings(), this);
    m_linkCounts->setKnown([this](const QString &pmid) { return m_session->citedBy().metricsOf(pmid); });
    connect(m_linkCounts, &SelectionLinkCounts::countsKnown, this,
            [this](const QString &, const ArticleLinkCounts &counts) { m_ui->articleLinksLabel->showCounts(counts); });
    connect(m_ui->articleLinksLabel, &ArticleLinksLabel::sourceChosen, this, &ResultTab::sourceChosen);
    m_fullTextSources = new SelectionFullTextSources(m_session->settings(), this);
    connect(m_fullTextSources, &SelectionFullTextSources::sourcesKnown, this,
            [this](const QString &pmid, const QList<FullTextSource> &sources) {
                const ArticleRecord *article = singleSelectedArticle();
                if (article && article->text(ArticleRecord::Key::PMID) == pmid)
                    m_ui->articleLinksLabel->showSources(sources);
                m_model.fullTextChanged();
            });
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, this, [this](const QPoint &position) {
        emit contextMenuRequested(table()->viewport()->mapToGlobal(position));
    });
}

ResultTab::~ResultTab() = default;

void ResultTab::showPassages(const QHash<qint64, QString> &passages)
{
    m_passages = passages;
    m_shown.reset();
    emit selectionChanged();
}

void ResultTab::setName(const QString &name)
{
    if (name == m_name)
        return;
    m_name = name;
    emit nameChanged();
}

KebNSTableView *ResultTab::table() const
{
    return m_ui->articleNSTableView;
}

NoteEditor *ResultTab::noteEditor() const
{
    return m_ui->noteEditor;
}

QList<int> ResultTab::selectedRows() const
{
    return table()->selectedRowIndexes();
}

const ArticleRecord *ResultTab::singleSelectedArticle() const
{
    const QList<int> rows = selectedRows();
    if (rows.size() != 1 || rows.first() >= m_session->articles().size())
        return nullptr;
    return &m_session->articles()[rows.first()];
}

void ResultTab::showBatch(bool firstBatch)
{
    // The first batch of a search comes in the order the header shows (a
    // sort kept from the last run, say); later batches join at the end.
    const QHeaderView *header = table()->horizontalHeader();
    if (firstBatch && header->sortIndicatorSection() >= 0)
        m_model.sort(header->sortIndicatorSection(), header->sortIndicatorOrder());
    table()->selectRow(0);
}

// Shown while counts are asked for, the RCR only from iCite, which alone has
// it; a layout that stored a column hidden (at no width) gives it back its
// first width. Counts of another source than the one now chosen are asked again.
void ResultTab::followCountsPreference()
{
    const SessionSettings &settings = m_session->settings();
    m_session->citedBy().followSource();
    const bool counted = settings.citedByCounts();
    const std::pair<QString, bool> columns[] = {
        {ArticleTableModel::CitedByColumn, counted},
        {ArticleTableModel::RcrColumn, counted && settings.citationSource() == CitationSource::Icite}};
    for (const auto &[identifier, shown] : columns) {
        const int column = m_model.columnNamed(identifier);
        table()->setColumnHidden(column, !shown);
        if (shown && table()->horizontalHeader()->sectionSize(column) == 0)
            table()->horizontalHeader()->resizeSection(column, kColumns[column].width);
    }
}

void ResultTab::showSelection(CitationStyle style, const QList<ArticleLinksLabel::Link> &links)
{
    // What the window shows follows the preferences as they are now.
    followCountsPreference();
    QTextEdit *abstractView = m_ui->abstractNSTextView;
    QTextEdit *citationView = m_ui->citationNSTextView;
    const ArticleRecord *single = singleSelectedArticle();
    const Shown shown{single, int(selectedRows().size()), style, links};
    if (m_shown == shown)
        return;
    m_shown = shown;
    const QString passage = single ? m_passages.value(single->text(ArticleRecord::Key::PMID).toLongLong()) : QString();
    m_ui->fullTextPassageLabel->setText(AppMessages::fullTextPassage(passage));
    m_ui->fullTextPassageLabel->setVisible(!passage.isEmpty());
    if (const ArticleRecord *article = single) {
        showRichText(abstractView, styledText(*article, ArticleRecord::Key::Abstract),
                     article->isRetracted() ? AppMessages::RetractedNotice : QString());
        showRichText(citationView, CitationStyles::citationForArticle(style, *article));
        const QString pmid = article->text(ArticleRecord::Key::PMID);
        m_linkCounts->select(pmid);
        m_ui->articleLinksLabel->showLinks(links);
        m_ui->articleLinksLabel->showCounts(m_linkCounts->countsOf(pmid));
        m_fullTextSources->select({pmid, article->text(ArticleRecord::Key::Doi)});
        m_ui->articleLinksLabel->showSources(m_fullTextSources->sourcesOf(pmid));
        abstractView->verticalScrollBar()->setValue(abstractView->verticalScrollBar()->minimum());
        return;
    }
    m_linkCounts->select({});
    m_fullTextSources->select({});
    m_ui->articleLinksLabel->showLinks({});
    const int selected = int(selectedRows().size());
    const QString text = selected >= 2 ? AppMessages::articlesSelected(selected) : QString();
    abstractView->setPlainText(text);
    citationView->setPlainText(text);
}

int ResultTab::tableColumnCount()
{
    return int(std::size(kColumns));
}

void ResultTab::applyLayout(const WindowLayout &layout)
{
    QHeaderView *header = table()->horizontalHeader();
    if (!layout.splitterSizes.isEmpty())
        m_ui->verticalSplitter->setSizes(layout.splitterSizes);
    for (int column = 0; column < layout.columnWidths.size(); ++column)
        header->resizeSection(column, layout.columnWidths[column]);
    header->setSortIndicator(layout.sortColumn, layout.sortOrder);
    followCountsPreference();
}

void ResultTab::captureLayout(WindowLayout &layout) const
{
    const QHeaderView *header = table()->horizontalHeader();
    layout.splitterSizes = m_ui->verticalSplitter->sizes();
    layout.columnWidths.clear();
    for (int column = 0; column < header->count(); ++column)
        layout.columnWidths.append(header->sectionSize(column));
    layout.sortColumn = header->sortIndicatorSection();
    layout.sortOrder = header->sortIndicatorOrder();
}
