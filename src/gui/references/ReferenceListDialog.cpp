#include "gui/references/ReferenceListDialog.h"

#include "gui/references/ReferenceTexts.h"
#include "entrez/Pmid.h"
#include "references/ReferenceMessages.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

enum Column { ReferenceColumn, PmidColumn, HowColumn };
constexpr int kCandidatesRole = Qt::UserRole;

// A PMID cell edits in a box that takes digits only and, where the search
// found several articles, offers them.
class PmidDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &index) const override
    {
        auto *box = new QComboBox(parent);
        box->setEditable(true);
        box->addItem(QString());
        box->addItems(index.data(kCandidatesRole).toStringList());
        box->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,10}")), box));
        box->setAccessibleName(ReferenceTexts::pmidOf(index.row()));
        return box;
    }
    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        static_cast<QComboBox *>(editor)->setCurrentText(index.data(Qt::EditRole).toString());
    }
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override
    {
        model->setData(index, static_cast<QComboBox *>(editor)->currentText().trimmed(), Qt::EditRole);
    }
};

// Text from the pasted list: never read as markup.
QTableWidgetItem *readOnly(const QString &text)
{
    auto *item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    item->setToolTip(text.toHtmlEscaped());
    return item;
}

} // namespace

ReferenceListDialog::ReferenceListDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("referenceListDialog"));
    setWindowTitle(ReferenceTexts::Title);
    auto *layout = new QVBoxLayout(this);
    auto *prompt = new QLabel(ReferenceTexts::Prompt, this);
    prompt->setWordWrap(true);
    layout->addWidget(prompt);
    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(QStringLiteral("referencesText"));
    m_text->setAccessibleName(ReferenceTexts::ListName);
    m_text->setTabChangesFocus(true);
    prompt->setBuddy(m_text);
    layout->addWidget(m_text, 1);

    auto *row = new QHBoxLayout;
    m_find = new QPushButton(ReferenceTexts::Find, this);
    m_find->setObjectName(QStringLiteral("findArticlesButton"));
    m_status = new QLabel(this);
    m_status->setTextFormat(Qt::PlainText);
    m_status->setWordWrap(true);
    m_status->setObjectName(QStringLiteral("matchingStatus"));
    row->addWidget(m_find);
    row->addWidget(m_status, 1);
    layout->addLayout(row);

    m_results = new QTableWidget(0, 3, this);
    m_results->setObjectName(QStringLiteral("matchedReferences"));
    m_results->setAccessibleName(ReferenceTexts::ResultsName);
    m_results->setHorizontalHeaderLabels({ReferenceTexts::ReferenceColumn, ReferenceTexts::PmidColumn, ReferenceTexts::HowColumn});
    m_results->horizontalHeader()->setSectionResizeMode(ReferenceColumn, QHeaderView::Stretch);
    m_results->verticalHeader()->hide();
    m_results->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_results->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                               | QAbstractItemView::AnyKeyPressed);
    m_results->setItemDelegateForColumn(PmidColumn, new PmidDelegate(m_results));
    m_results->setToolTip(ReferenceTexts::EditHint);
    m_results->setTabKeyNavigation(false);
    layout->addWidget(m_results, 2);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    m_open = buttons->addButton(ReferenceTexts::Open, QDialogButtonBox::ActionRole);
    m_open->setObjectName(QStringLiteral("openReferencesButton"));
    layout->addWidget(buttons);

    connect(m_find, &QPushButton::clicked, this, [this] {
        if (m_running)
            emit stopRequested();
        else
            emit findRequested(text());
    });
    connect(m_open, &QPushButton::clicked, this, [this] { emit openRequested(matching()); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // Closing stops what is under way.
    connect(this, &QDialog::rejected, this, [this] {
        if (m_running)
            emit stopRequested();
    });
    connect(m_results, &QTableWidget::itemChanged, this, [this] { m_open->setEnabled(!matching().pmids().isEmpty()); });
    showIdle();
    resize(820, 560);
}

QString ReferenceListDialog::text() const
{
    return m_text->toPlainText();
}

void ReferenceListDialog::setText(const QString &text)
{
    m_text->setPlainText(text);
}

void ReferenceListDialog::showIdle()
{
    m_running = false;
    m_find->setText(ReferenceTexts::Find);
    m_find->setDefault(true);
    m_open->setEnabled(!matching().pmids().isEmpty());
}

void ReferenceListDialog::showRunning(const QString &step)
{
    m_running = true;
    m_find->setText(ReferenceTexts::Stop);
    m_open->setEnabled(false);
    m_status->setText(step);
    m_matching = {};
    m_results->setRowCount(0);
}

void ReferenceListDialog::showMatching(const ReferenceMatching &matching)
{
    m_matching = matching;
    const QSignalBlocker quiet(m_results);
    m_results->setRowCount(int(matching.matches.size()));
    for (int row = 0; row < m_results->rowCount(); ++row) {
        const ReferenceMatch &match = matching.matches.at(row);
        m_results->setItem(row, ReferenceColumn, readOnly(match.text));
        auto *pmid = new QTableWidgetItem(match.pmid);
        pmid->setData(kCandidatesRole, match.candidates);
        if (!match.candidates.isEmpty())
            pmid->setToolTip(ReferenceTexts::candidates(match.candidates.join(QStringLiteral(", "))));
        m_results->setItem(row, PmidColumn, pmid);
        QString how = ReferenceMessages::how(match.how);
        if (!match.candidates.isEmpty())
            how += QStringLiteral(": ") + match.candidates.join(QStringLiteral(", "));
        m_results->setItem(row, HowColumn, readOnly(how));
    }
    m_results->resizeColumnToContents(PmidColumn);
    QString status = ReferenceMessages::summary(matching.foundCount(), matching.referenceCount());
    for (const QString &error : matching.errors)
        status += QStringLiteral("; ") + error;
    m_status->setText(status);
    showIdle();
}

ReferenceMatching ReferenceListDialog::matching() const
{
    ReferenceMatching edited = m_matching;
    for (int row = 0; row < m_results->rowCount() && row < edited.matches.size(); ++row) {
        ReferenceMatch &match = edited.matches[row];
        const QString pmid = m_results->item(row, PmidColumn)->text().trimmed();
        if (pmid == match.pmid)
            continue;
        const bool valid = isPmid(pmid.toStdString());
        match.pmid = valid ? pmid : QString();
        match.how = valid ? ReferenceMatch::How::Edited : ReferenceMatch::How::NotFound;
    }
    return edited;
}
