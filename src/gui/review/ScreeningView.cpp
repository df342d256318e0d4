#include "gui/review/ScreeningView.h"

#include "gui/review/ReviewTexts.h"
#include "review/ReviewMessages.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QShortcut>
#include <QTextBrowser>

QString highlighted(const QString &text, const QStringList &words)
{
    QStringList escaped;
    for (const QString &word : words) {
        if (!word.trimmed().isEmpty())
            escaped.append(QRegularExpression::escape(word.trimmed()));
    }
    if (escaped.isEmpty())
        return text.toHtmlEscaped();
    const QRegularExpression pattern(QStringLiteral("\\b(%1)").arg(escaped.join(u'|')),
                                     QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    QString out;
    qsizetype from = 0;
    for (auto it = pattern.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += text.mid(from, m.capturedStart() - from).toHtmlEscaped();
        out += QStringLiteral("<span style=\"background-color:#fff2a8\">") + m.captured(0).toHtmlEscaped() + QStringLiteral("</span>");
        from = m.capturedEnd();
    }
    return out + text.mid(from).toHtmlEscaped();
}

ScreeningView::ScreeningView(QWidget *parent)
    : QWidget(parent)
    , m_stage(new QComboBox(this))
    , m_filter(new QComboBox(this))
    , m_order(new QComboBox(this))
    , m_progress(new QLabel(this))
    , m_agreement(new QLabel(this))
    , m_text(new QTextBrowser(this))
{
    setObjectName(QStringLiteral("screeningView"));
    m_stage->addItems({ReviewMessages::titleAbstractStage(), ReviewMessages::fullTextStage()});
    m_order->addItems({ReviewTexts::orderAdded(), ReviewTexts::mostRelevant()});
    m_stage->setAccessibleName(ReviewTexts::stage());
    m_filter->setAccessibleName(ReviewTexts::filter());
    m_order->setAccessibleName(ReviewTexts::order());
    m_agreement->setTextFormat(Qt::PlainText);
    m_agreement->hide();
    m_text->setObjectName(QStringLiteral("screeningRecord"));
    m_text->setOpenLinks(false);
    auto *bar = new QHBoxLayout;
    for (QComboBox *box : {m_stage, m_filter, m_order}) {
        bar->addWidget(box);
        connect(box, &QComboBox::activated, this, &ScreeningView::viewChanged);
    }
    bar->addStretch();
    bar->addWidget(m_progress);
    auto *buttons = new QHBoxLayout;
    const auto button = [&](const QString &text, auto slot) {
        auto *b = new QPushButton(text, this);
        b->setAccessibleName(text);
        connect(b, &QPushButton::clicked, this, slot);
        buttons->addWidget(b);
        return b;
    };
    button(ReviewTexts::previousButton(), [this] { emit stepRequested(-1); });
    button(ReviewTexts::includeButton(), [this] { emit decided(ScreeningChoice::Include, {}); });
    button(ReviewTexts::excludeButton(), [this] { askReason(); });
    button(ReviewTexts::maybeButton(), [this] { emit decided(ScreeningChoice::Maybe, {}); });
    button(ReviewTexts::undoButton(), [this] { emit undoRequested(); });
    button(ReviewTexts::nextButton(), [this] { emit stepRequested(1); });
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_text, 1);
    layout->addWidget(m_agreement);
    layout->addLayout(buttons);

    // Keys of this view alone: the window's Alt letters are left to its menus.
    const auto key = [this](const QKeySequence &sequence, auto slot) {
        auto *shortcut = new QShortcut(sequence, this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, slot);
    };
    key(QKeySequence(Qt::Key_I), [this] { emit decided(ScreeningChoice::Include, {}); });
    key(QKeySequence(Qt::Key_M), [this] { emit decided(ScreeningChoice::Maybe, {}); });
    key(QKeySequence(Qt::Key_E), [this] { askReason(); });
    key(QKeySequence(Qt::Key_U), [this] { emit undoRequested(); });
    key(QKeySequence::Undo, [this] { emit undoRequested(); });
    for (const auto k : {Qt::Key_N, Qt::Key_Right})
        key(QKeySequence(k), [this] { emit stepRequested(1); });
    for (const auto k : {Qt::Key_P, Qt::Key_Left})
        key(QKeySequence(k), [this] { emit stepRequested(-1); });
    for (int n = 1; n <= 9; ++n)
        key(QKeySequence(Qt::Key_0 + n), [this, n] { excludeWithReason(n); });
    setReasons({});
}

void ScreeningView::setReasons(const QStringList &reasons)
{
    m_reasons = reasons;
    m_filter->clear();
    m_filter->addItems({ReviewTexts::undecided(), ReviewTexts::maybes(), ReviewTexts::allRecords()});
    for (const QString &reason : reasons)
        m_filter->addItem(ReviewTexts::excludedFor(reason));
}

void ScreeningView::excludeWithReason(int number)
{
    if (number <= m_reasons.size())
        emit decided(ScreeningChoice::Exclude, m_reasons.at(number - 1));
}

void ScreeningView::askReason()
{
    QMenu menu(this);
    for (qsizetype i = 0; i < m_reasons.size(); ++i) {
        const QString reason = m_reasons.at(i);
        // The number a key would give, as the menu's own letter.
        menu.addAction(i < 9 ? QStringLiteral("&%1 %2").arg(i + 1).arg(QString(reason).replace(u'&', QLatin1String("&&"))) : reason,
                       this, [this, reason] { emit decided(ScreeningChoice::Exclude, reason); });
    }
    if (m_reasons.isEmpty())
        menu.addAction(ReviewMessages::exclude(), this, [this] { emit decided(ScreeningChoice::Exclude, {}); });
    menu.exec(m_text->mapToGlobal(m_text->rect().center()));
}

void ScreeningView::setRecord(const ReviewRecord *record, const QStringList &highlights, const QString &decision,
                              const QStringList &foundIn, const std::optional<QString> &fullText)
{
    if (!record) {
        m_text->setPlainText(ReviewTexts::nothingToShow());
        return;
    }
    QString html = QStringLiteral("<h2>%1</h2>").arg(highlighted(record->title, highlights));
    html += QStringLiteral("<p>%1</p>").arg(record->authors.join(QStringLiteral("; ")).toHtmlEscaped());
    html += QStringLiteral("<p><i>%1</i> %2</p>").arg(record->journal.toHtmlEscaped(), record->year.toHtmlEscaped());
    html += QStringLiteral("<p>%1</p>").arg(highlighted(record->abstract, highlights));
    if (!record->keywords.isEmpty())
        html += QStringLiteral("<p><small>%1</small></p>").arg(highlighted(record->keywords.join(QStringLiteral("; ")), highlights));
    if (fullText)
        html += QStringLiteral("<hr><p>%1</p>").arg(fullText->isEmpty() ? ReviewTexts::noFullText().toHtmlEscaped()
                                                                       : highlighted(*fullText, highlights).replace(u'\n', QLatin1String("<br>")));
    QStringList notes;
    if (!foundIn.isEmpty())
        notes.append(ReviewTexts::foundIn(foundIn.join(QStringLiteral(", "))).toHtmlEscaped());
    if (!decision.isEmpty())
        notes.append(ReviewTexts::decided(decision).toHtmlEscaped());
    html += QStringLiteral("<p><small>%1</small></p>").arg(notes.join(QStringLiteral("<br>")));
    m_text->setHtml(html);
}

void ScreeningView::setProgress(qsizetype decided, qsizetype total)
{
    m_progress->setText(ReviewTexts::progress(decided, total));
}

void ScreeningView::setAgreement(const QString &text)
{
    m_agreement->setText(text);
    m_agreement->setVisible(!text.isEmpty());
}

ScreeningStage ScreeningView::stage() const
{
    return m_stage->currentIndex() == 1 ? ScreeningStage::FullText : ScreeningStage::TitleAbstract;
}

int ScreeningView::filter() const
{
    return std::max(0, m_filter->currentIndex());
}

bool ScreeningView::byRelevance() const
{
    return m_order->currentIndex() == 1;
}
