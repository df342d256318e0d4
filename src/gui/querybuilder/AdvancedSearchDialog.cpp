#include "gui/querybuilder/AdvancedSearchDialog.h"

#include "gui/querybuilder/QueryBuilderTexts.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

using namespace QueryBuilder;

namespace {

QComboBox *operatorBox(QWidget *parent)
{
    auto *box = new QComboBox(parent);
    for (const Operator op : {Operator::And, Operator::Or, Operator::Not})
        box->addItem(operatorName(op), int(op));
    box->setAccessibleName(QueryBuilderTexts::OperatorName);
    return box;
}

} // namespace

AdvancedSearchDialog::AdvancedSearchDialog(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("advancedSearchDialog"));
    setWindowTitle(QueryBuilderTexts::Title);
    auto *layout = new QVBoxLayout(this);
    m_grid = new QGridLayout;
    layout->addLayout(m_grid);
    auto *addButton = new QPushButton(QueryBuilderTexts::AddRow, this);
    addButton->setObjectName(QStringLiteral("addRowButton"));
    connect(addButton, &QPushButton::clicked, this, [this] {
        addRow();
        m_rows.constLast().term->setFocus();
    });
    layout->addWidget(addButton, 0, Qt::AlignLeft);

    auto *historyRow = new QHBoxLayout;
    auto *historyLabel = new QLabel(QueryBuilderTexts::HistoryLabel, this);
    m_historyOp = operatorBox(this);
    m_history = new QComboBox(this);
    m_history->setObjectName(QStringLiteral("historyBox"));
    historyLabel->setBuddy(m_history);
    auto *addHistory = new QPushButton(QueryBuilderTexts::AddHistory, this);
    addHistory->setObjectName(QStringLiteral("addHistoryButton"));
    historyRow->addWidget(historyLabel);
    historyRow->addWidget(m_historyOp);
    historyRow->addWidget(m_history, 1);
    historyRow->addWidget(addHistory);
    layout->addLayout(historyRow);
    connect(addHistory, &QPushButton::clicked, this, [this] {
        if (m_history->currentIndex() < 0)
            return;
        const QString reference = QLatin1Char('#') + QString::number(m_history->currentData().toLongLong());
        // Into the first blank row, else a new one.
        int row = 0;
        while (row < m_rows.size() && !m_rows.at(row).term->text().trimmed().isEmpty())
            ++row;
        setRow(row, {Operator(m_historyOp->currentData().toInt()), Field::AllFields, reference});
    });

    auto *queryLabel = new QLabel(QueryBuilderTexts::QueryLabel, this);
    m_query = new QPlainTextEdit(this);
    m_query->setObjectName(QStringLiteral("builtQuery"));
    m_query->setTabChangesFocus(true);
    queryLabel->setBuddy(m_query);
    layout->addWidget(queryLabel);
    layout->addWidget(m_query);

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *search = buttons->addButton(QueryBuilderTexts::Search, QDialogButtonBox::AcceptRole);
    search->setObjectName(QStringLiteral("builderSearchButton"));
    search->setDefault(true);
    QPushButton *newTab = buttons->addButton(QueryBuilderTexts::SearchInNewTab, QDialogButtonBox::ActionRole);
    QPushButton *toField = buttons->addButton(QueryBuilderTexts::ToSearchField, QDialogButtonBox::ActionRole);
    buttons->addButton(QDialogButtonBox::Close);
    layout->addWidget(buttons);
    connect(search, &QPushButton::clicked, this, [this] { emit searchRequested(query(), false); });
    connect(newTab, &QPushButton::clicked, this, [this] { emit searchRequested(query(), true); });
    connect(toField, &QPushButton::clicked, this, [this] { emit queryChosen(query()); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    for (int i = 0; i < 3; ++i)
        addRow();
    resize(760, sizeHint().height());
}

void AdvancedSearchDialog::addRow()
{
    RowWidgets row{operatorBox(this), new QComboBox(this), new QLineEdit(this), new QLineEdit(this),
                   new QToolButton(this), new QLabel(this), new QToolButton(this)};
    for (const Field field : fields())
        row.field->addItem(label(field), int(field));
    row.field->setAccessibleName(QueryBuilderTexts::FieldName);
    row.term->setAccessibleName(QueryBuilderTexts::TermName);
    row.termTo->setAccessibleName(QueryBuilderTexts::TermToName);
    row.termTo->setPlaceholderText(QueryBuilderTexts::Present);
    row.count->setText(QueryBuilderTexts::Count);
    row.count->setToolTip(QueryBuilderTexts::CountHelp);
    row.remove->setText(QStringLiteral("\u2212"));
    row.remove->setAccessibleName(QueryBuilderTexts::RemoveRow);
    row.remove->setToolTip(QueryBuilderTexts::RemoveRow);
    row.countLabel->setMinimumWidth(90);
    connect(row.op, &QComboBox::currentIndexChanged, this, &AdvancedSearchDialog::showQuery);
    connect(row.field, &QComboBox::currentIndexChanged, this, [this] {
        layOutRows();
        showQuery();
    });
    for (QLineEdit *edit : {row.term, row.termTo})
        connect(edit, &QLineEdit::textChanged, this, &AdvancedSearchDialog::showQuery);
    connect(row.count, &QToolButton::clicked, this, [this, button = row.count] {
        const int at = rowOf(button);
        const QString text = clause(rows().at(at));
        if (text.isEmpty())
            return;
        m_rows.at(at).countLabel->setText(QueryBuilderTexts::Counting);
        emit countRequested(at, text);
    });
    connect(row.remove, &QToolButton::clicked, this, [this, button = row.remove] { removeRow(rowOf(button)); });
    m_rows.append(row);
    layOutRows();
}

void AdvancedSearchDialog::removeRow(int row)
{
    if (m_rows.size() < 2 || row < 0)
        return;
    const RowWidgets widgets = m_rows.takeAt(row);
    for (QWidget *widget : std::initializer_list<QWidget *>{widgets.op, widgets.field, widgets.term, widgets.termTo,
                                                            widgets.count, widgets.countLabel, widgets.remove})
        widget->deleteLater();
    layOutRows();
    showQuery();
}

void AdvancedSearchDialog::layOutRows()
{
    for (int i = 0; i < m_rows.size(); ++i) {
        const RowWidgets &row = m_rows.at(i);
        const bool range = isDateRange(Field(row.field->currentData().toInt()));
        row.op->setVisible(i > 0);
        row.termTo->setVisible(range);
        row.term->setPlaceholderText(range ? QueryBuilderTexts::DateFrom : QString());
        int column = 0;
        for (QWidget *widget : std::initializer_list<QWidget *>{row.op, row.field, row.term, row.termTo, row.count,
                                                                row.countLabel, row.remove})
            m_grid->addWidget(widget, i, column++);
        // Tab goes along the row, then to the next.
        if (i > 0)
            setTabOrder(m_rows.at(i - 1).remove, row.op);
        setTabOrder(row.op, row.field);
        setTabOrder(row.field, row.term);
        setTabOrder(row.term, row.termTo);
        setTabOrder(row.termTo, row.count);
        setTabOrder(row.count, row.remove);
    }
    m_grid->setColumnStretch(2, 1);
}

int AdvancedSearchDialog::rowOf(QObject *widget) const
{
    for (int i = 0; i < m_rows.size(); ++i) {
        if (m_rows.at(i).count == widget || m_rows.at(i).remove == widget)
            return i;
    }
    return -1;
}

QList<Row> AdvancedSearchDialog::rows() const
{
    QList<Row> list;
    for (const RowWidgets &row : m_rows)
        list.append({Operator(row.op->currentData().toInt()), Field(row.field->currentData().toInt()),
                     row.term->text(), row.termTo->text()});
    return list;
}

void AdvancedSearchDialog::setRow(int row, const Row &value)
{
    while (m_rows.size() <= row)
        addRow();
    const RowWidgets &widgets = m_rows.at(row);
    widgets.op->setCurrentIndex(widgets.op->findData(int(value.op)));
    widgets.field->setCurrentIndex(widgets.field->findData(int(value.field)));
    widgets.term->setText(value.term);
    widgets.termTo->setText(value.termTo);
}

QString AdvancedSearchDialog::query() const
{
    return m_query->toPlainText().simplified();
}

void AdvancedSearchDialog::showQuery()
{
    const QList<Row> list = rows();
    for (int i = 0; i < m_rows.size(); ++i) {
        const bool valid = isValid(list.at(i));
        QLabel *label = m_rows.at(i).countLabel;
        if (!valid)
            label->setText(QueryBuilderTexts::NotADate);
        else if (label->text() == QueryBuilderTexts::NotADate)
            label->clear();
    }
    m_query->setPlainText(QueryBuilder::query(list));
}

void AdvancedSearchDialog::setHistory(const QList<std::pair<qint64, QString>> &entries)
{
    m_history->clear();
    for (const auto &[number, text] : entries)
        m_history->addItem(QStringLiteral("#%1  %2").arg(number).arg(text), number);
}

void AdvancedSearchDialog::showCount(int row, qint64 count)
{
    if (row >= 0 && row < m_rows.size())
        m_rows.at(row).countLabel->setText(QLocale().toString(count));
}

void AdvancedSearchDialog::showCountFailed(int row, const QString &reason)
{
    if (row >= 0 && row < m_rows.size()) {
        m_rows.at(row).countLabel->setText(QueryBuilderTexts::CountFailed);
        m_rows.at(row).countLabel->setToolTip(reason);
    }
}
