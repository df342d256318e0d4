#include "gui/history/HistoryWindow.h"

#include "gui/history/HistoryTexts.h"
#include "gui/widgets/EscapeCloses.h"
#include "gui/history/HistoryTableModel.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QLocale>
#include <QShortcut>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace {
struct CombineButton
{
    const char *objectName;
    const char *text;
    HistoryExpansion::Operator op;
};
const CombineButton kCombineButtons[] = {{"combineAndButton", "AND", HistoryExpansion::Operator::And},
                                         {"combineOrButton", "OR", HistoryExpansion::Operator::Or},
                                         {"combineNotButton", "NOT", HistoryExpansion::Operator::Not}};
const int kColumnWidths[] = {50, 130, 260, 260, 90, 80, 300};
// Room a cell leaves around its text.
constexpr int kCellPadding = 16;
} // namespace

HistoryWindow::HistoryWindow(QWidget *parent)
    : QWidget(parent, Qt::Window), m_model(new HistoryTableModel(this)), m_filter(new QLineEdit(this)),
      m_table(new QTableView(this)), m_buttons(new QWidget(this))
{
    setObjectName(QStringLiteral("historyWindow"));
    setWindowTitle(HistoryTexts::WindowTitle);
    resize(1000, 480);
    m_filter->setObjectName(QStringLiteral("historyFilterField"));
    m_filter->setPlaceholderText(QStringLiteral("Filter"));
    m_filter->setAccessibleName(QStringLiteral("Filter the history"));
    m_filter->setClearButtonEnabled(true);
    m_table->setObjectName(QStringLiteral("historyTable"));
    m_table->setAccessibleName(QStringLiteral("Search history"));
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    m_table->horizontalHeader()->setStretchLastSection(true);
    for (int column = 0; column < int(std::size(kColumnWidths)); ++column)
        m_table->horizontalHeader()->resizeSection(column, kColumnWidths[column]);
    // A date with its time whole, however long the locale and the font write it.
    const QString longDate = QLocale().toString(QDateTime(QDate(2000, 12, 28), QTime(23, 59)), QLocale::ShortFormat);
    m_table->horizontalHeader()->resizeSection(
        HistoryTableModel::Date,
        std::max(kColumnWidths[HistoryTableModel::Date], m_table->fontMetrics().horizontalAdvance(longDate) + kCellPadding));

    auto *buttons = new QHBoxLayout(m_buttons);
    buttons->setContentsMargins(0, 0, 0, 0);
    m_searchAgain = addButton(QStringLiteral("searchAgainButton"), QStringLiteral("&Search Again"),
                              QStringLiteral("Search again in a new tab"));
    m_copy = addButton(QStringLiteral("copyQueryButton"), QStringLiteral("&Copy Query"),
                       QStringLiteral("Copy the effective query"));
    m_delete = addButton(QStringLiteral("deleteHistoryButton"), QStringLiteral("&Delete"),
                         QStringLiteral("Delete the selected searches"));
    auto *combineLabel = new QLabel(QStringLiteral("Combine:"), m_buttons);
    buttons->addSpacing(12);
    buttons->addWidget(combineLabel);
    for (const CombineButton &button : kCombineButtons) {
        QPushButton *combine = addButton(QLatin1String(button.objectName), QLatin1String(button.text),
                                         QStringLiteral("Combine the selected searches with ") + QLatin1String(button.text));
        connect(combine, &QPushButton::clicked, this,
                [this, op = button.op] { emit combineRequested(selectedNumbers(), op); });
        m_combine.append(combine);
    }
    buttons->addStretch();
    QPushButton *exportLog = addButton(QStringLiteral("exportSearchLogButton"), QStringLiteral("&Export Search Log\u2026"),
                                       QStringLiteral("Export the search log"));
    QPushButton *clear = addButton(QStringLiteral("clearHistoryButton"), QStringLiteral("C&lear History\u2026"),
                                   QStringLiteral("Clear the whole history"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_filter);
    layout->addWidget(m_table);
    layout->addWidget(m_buttons);

    connect(m_filter, &QLineEdit::textChanged, m_model, &HistoryTableModel::setFilterText);
    connect(m_model, &QAbstractItemModel::modelReset, this, &HistoryWindow::updateButtons);
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this, &HistoryWindow::updateButtons);
    connect(m_searchAgain, &QPushButton::clicked, this, [this] {
        const QList<HistoryEntry> entries = selectedEntries();
        if (entries.size() == 1)
            emit searchAgainRequested(entries.first());
    });
    connect(m_copy, &QPushButton::clicked, this, &HistoryWindow::copyQueries);
    connect(m_delete, &QPushButton::clicked, this, [this] {
        if (const QList<qint64> numbers = selectedNumbers(); !numbers.isEmpty())
            emit deleteRequested(numbers);
    });
    connect(exportLog, &QPushButton::clicked, this, [this] { emit exportRequested(selectedNumbers()); });
    connect(clear, &QPushButton::clicked, this, &HistoryWindow::clearRequested);

    m_table->installEventFilter(this);
    // Down from the filter goes into the table, so the keyboard alone can pick a row.
    connect(new QShortcut(QKeySequence(Qt::Key_Down), m_filter, nullptr, nullptr, Qt::WidgetShortcut),
            &QShortcut::activated, this, [this] {
                m_table->setFocus(Qt::ShortcutFocusReason);
                if (!m_table->selectionModel()->hasSelection() && m_model->rowCount() > 0)
                    m_table->selectRow(0);
            });
    new EscapeCloses(*this);
    updateButtons();
}

bool HistoryWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_table || (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride))
        return QWidget::eventFilter(watched, event);
    // The table's keys: Return searches again, Ctrl+C copies the queries (not
    // the current cell, as a table would), Delete deletes.
    const auto *key = static_cast<QKeyEvent *>(event);
    QPushButton *button = nullptr;
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
        button = m_searchAgain;
    else if (key->matches(QKeySequence::Copy))
        button = m_copy;
    else if (key->matches(QKeySequence::Delete))
        button = m_delete;
    if (!button)
        return false;
    event->accept();
    if (event->type() == QEvent::KeyPress)
        button->click();
    return event->type() == QEvent::KeyPress;
}

QPushButton *HistoryWindow::addButton(const QString &objectName, const QString &text, const QString &accessibleName)
{
    auto *button = new QPushButton(text, m_buttons);
    button->setObjectName(objectName);
    button->setAccessibleName(accessibleName);
    button->setAutoDefault(false);
    m_buttons->layout()->addWidget(button);
    return button;
}

void HistoryWindow::setEntries(QList<HistoryEntry> entries)
{
    const QList<qint64> selected = selectedNumbers();
    m_model->setEntries(std::move(entries));
    for (int row = 0; row < m_model->rowCount(); ++row) {
        if (selected.contains(m_model->entryAt(row).number))
            m_table->selectionModel()->select(m_model->index(row, 0),
                                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}

QList<HistoryEntry> HistoryWindow::selectedEntries() const
{
    QList<int> rows;
    for (const QModelIndex &index : m_table->selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    QList<HistoryEntry> entries;
    for (const int row : std::as_const(rows))
        entries.append(m_model->entryAt(row));
    return entries;
}

QList<qint64> HistoryWindow::selectedNumbers() const
{
    QList<qint64> numbers;
    for (const HistoryEntry &entry : selectedEntries())
        numbers.append(entry.number);
    return numbers;
}

void HistoryWindow::present()
{
    show();
    raise();
    activateWindow();
    m_filter->setFocus(Qt::ActiveWindowFocusReason);
}

void HistoryWindow::updateButtons()
{
    const QList<HistoryEntry> entries = selectedEntries();
    const bool allQueries = std::none_of(entries.begin(), entries.end(), [](const HistoryEntry &e) { return e.isLinkSet(); });
    m_searchAgain->setEnabled(entries.size() == 1);
    m_copy->setEnabled(!entries.isEmpty());
    m_delete->setEnabled(!entries.isEmpty());
    for (QPushButton *combine : std::as_const(m_combine))
        combine->setEnabled(entries.size() >= 2 && allQueries);
}

void HistoryWindow::copyQueries()
{
    QStringList queries;
    for (const HistoryEntry &entry : selectedEntries())
        queries.append(entry.effectiveQuery);
    if (!queries.isEmpty())
        QApplication::clipboard()->setText(queries.join(QLatin1Char('\n')));
}
