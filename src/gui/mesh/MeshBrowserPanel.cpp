#include "gui/mesh/MeshBrowserPanel.h"

#include "gui/mesh/MeshTexts.h"
#include "search/MeshLookup.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

namespace {
constexpr int kUidRole = Qt::UserRole;

QLabel *plainLabel(const QString &name, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    return label;
}
} // namespace

MeshBrowserPanel::MeshBrowserPanel(QWidget *parent)
    : QDockWidget(MeshTexts::PanelTitle, parent)
    , m_typing(new QTimer(this))
{
    setObjectName(QStringLiteral("meshBrowserPanel"));
    auto *body = new QWidget(this);
    auto *layout = new QVBoxLayout(body);
    m_word = new QLineEdit(body);
    m_word->setObjectName(QStringLiteral("meshWordField"));
    m_word->setPlaceholderText(MeshTexts::WordPlaceholder);
    m_word->setAccessibleName(MeshTexts::WordPlaceholder);
    m_word->setClearButtonEnabled(true);
    layout->addWidget(m_word);
    m_results = new QListWidget(body);
    m_results->setObjectName(QStringLiteral("meshResults"));
    m_results->setAccessibleName(QStringLiteral("MeSH headings found"));
    layout->addWidget(m_results, 1);

    m_name = plainLabel(QStringLiteral("meshName"), body);
    QFont bold = m_name->font();
    bold.setBold(true);
    m_name->setFont(bold);
    m_scopeNote = plainLabel(QStringLiteral("meshScopeNote"), body);
    m_entryTerms = plainLabel(QStringLiteral("meshEntryTerms"), body);
    m_count = plainLabel(QStringLiteral("meshCount"), body);
    for (QLabel *label : {m_name, m_scopeNote, m_entryTerms, m_count})
        layout->addWidget(label);
    m_tree = new QListWidget(body);
    m_tree->setObjectName(QStringLiteral("meshTree"));
    m_tree->setAccessibleName(QStringLiteral("Headings above and below"));
    layout->addWidget(m_tree, 1);

    auto *form = new QFormLayout;
    m_tag = new QComboBox(body);
    m_tag->setObjectName(QStringLiteral("meshTagBox"));
    m_tag->addItem(QStringLiteral("MeSH Terms [mh]"), int(QueryBuilder::MeshTag::Heading));
    m_tag->addItem(QStringLiteral("Major Topic [majr]"), int(QueryBuilder::MeshTag::MajorTopic));
    m_tag->addItem(QStringLiteral("Do not explode [mh:noexp]"), int(QueryBuilder::MeshTag::NoExplode));
    m_subheading = new QComboBox(body);
    m_subheading->setObjectName(QStringLiteral("meshSubheadingBox"));
    auto *tagLabel = new QLabel(QStringLiteral("Ta&g:"), body);
    tagLabel->setBuddy(m_tag);
    auto *subheadingLabel = new QLabel(QStringLiteral("S&ubheading:"), body);
    subheadingLabel->setBuddy(m_subheading);
    form->addRow(tagLabel, m_tag);
    form->addRow(subheadingLabel, m_subheading);
    layout->addLayout(form);

    auto *buttons = new QHBoxLayout;
    // Alt and every letter of these words already belong to the menu bar or
    // to another dock's buttons, so the operators take keys of their own
    // while the focus is anywhere in the browser.
    struct OperatorKey {
        QueryBuilder::Operator op;
        QKeySequence key;
    };
    const OperatorKey operators[] = {{QueryBuilder::Operator::And, QKeySequence(Qt::CTRL | Qt::Key_Return)},
                                     {QueryBuilder::Operator::Or, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Return)},
                                     {QueryBuilder::Operator::Not, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Return)}};
    for (const auto &[op, key] : operators) {
        const QString name = QueryBuilder::operatorName(op);
        auto *button = new QPushButton(name, body);
        button->setObjectName(QStringLiteral("mesh%1Button").arg(name));
        button->setToolTip(QStringLiteral("Add to the search with %1 (%2)").arg(name, key.toString(QKeySequence::NativeText)));
        const auto add = [this, op = op] {
            if (const QString text = clause(); !text.isEmpty())
                emit clauseChosen(text, op);
        };
        connect(button, &QPushButton::clicked, this, add);
        connect(new QShortcut(key, this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut), &QShortcut::activated, this, add);
        buttons->addWidget(button);
    }
    layout->addLayout(buttons);
    setWidget(body);

    m_typing->setSingleShot(true);
    m_typing->setInterval(kTypingPauseMs);
    connect(m_word, &QLineEdit::textEdited, m_typing, qOverload<>(&QTimer::start));
    const auto find = [this] {
        m_typing->stop();
        if (m_word->text().simplified().toLower() != m_words && !m_word->text().trimmed().isEmpty()) {
            m_words = m_word->text().simplified().toLower();
            m_count->setText(MeshTexts::Searching);
            emit findRequested(m_words);
        }
    };
    connect(m_typing, &QTimer::timeout, this, find);
    connect(m_word, &QLineEdit::returnPressed, this, find);
    // Down from the word goes to the headings found.
    connect(new QShortcut(QKeySequence(Qt::Key_Down), m_word, nullptr, nullptr, Qt::WidgetShortcut),
            &QShortcut::activated, m_results, [this] {
                m_results->setFocus();
                if (!m_results->currentItem() && m_results->count() > 0)
                    m_results->setCurrentRow(0);
            });
    connect(m_results, &QListWidget::currentItemChanged, this, [this](QListWidgetItem *item) {
        if (item)
            emit headingRequested(item->data(kUidRole).toString());
    });
    connect(m_tree, &QListWidget::itemActivated, this, &MeshBrowserPanel::openItem);
    connect(m_tree, &QListWidget::itemClicked, this, &MeshBrowserPanel::openItem);
}

void MeshBrowserPanel::openItem(QListWidgetItem *item)
{
    if (item && !item->data(kUidRole).toString().isEmpty())
        emit headingRequested(item->data(kUidRole).toString());
}

void MeshBrowserPanel::showHeadings(const QString &words, const QList<MeshHeading> &headings)
{
    if (words != m_words)
        return;
    const QSignalBlocker blocker(m_results);
    m_results->clear();
    for (const MeshHeading &heading : headings) {
        auto *item = new QListWidgetItem(MeshTexts::foundAs(heading.name, heading.matchedTerm(words)), m_results);
        item->setData(kUidRole, heading.uid);
    }
    m_count->setText(headings.isEmpty() ? MeshTexts::NoHeading : QString());
}

void MeshBrowserPanel::showHeading(const MeshHeading &heading, const QHash<QString, QString> &names)
{
    m_heading = heading;
    m_name->setText(heading.name);
    QString note = heading.scopeNote;
    if (heading.isSupplementary()) {
        QStringList mapped;
        for (const QString &uid : heading.mappedTo)
            mapped.append(names.value(uid, uid));
        note += QLatin1Char('\n') + MeshTexts::Supplementary.arg(mapped.join(QLatin1String(", ")));
    }
    m_scopeNote->setText(note.trimmed());
    m_entryTerms->setText(heading.entryTerms.join(QLatin1String("; ")));
    m_count->clear();
    m_tree->clear();
    for (const MeshTreePlace &place : heading.tree) {
        if (names.contains(place.parent)) {
            auto *item = new QListWidgetItem(MeshTexts::above(place.treeNumber, names.value(place.parent)), m_tree);
            item->setData(kUidRole, place.parent);
        }
        for (const QString &child : place.children) {
            auto *item = new QListWidgetItem(MeshTexts::below(names.value(child, child)), m_tree);
            item->setData(kUidRole, child);
        }
    }
    m_subheading->clear();
    m_subheading->addItem(MeshTexts::AnySubheading, QString());
    for (const QString &subheading : heading.subheadings)
        m_subheading->addItem(subheading, subheading);
}

void MeshBrowserPanel::showCount(const QString &uid, qint64 count)
{
    if (m_heading && m_heading->uid == uid)
        m_count->setText(MeshTexts::articles(count));
}

void MeshBrowserPanel::showFailure(const QString &reason)
{
    m_count->setText(MeshTexts::failed(reason));
}

QString MeshBrowserPanel::clause() const
{
    if (!m_heading)
        return {};
    if (m_heading->isSupplementary())
        return MeshLookup::articlesQuery(*m_heading);
    return QueryBuilder::meshClause(m_heading->name, QueryBuilder::MeshTag(m_tag->currentData().toInt()),
                                    m_subheading->currentData().toString());
}
