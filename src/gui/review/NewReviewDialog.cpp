#include "gui/review/NewReviewDialog.h"

#include "gui/review/ReviewTexts.h"
#include "review/ReviewMessages.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

NewReviewDialog::NewReviewDialog(QWidget *parent)
    : QDialog(parent)
    , m_name(new QLineEdit(this))
    , m_question(new QPlainTextEdit(this))
    , m_inclusion(new QPlainTextEdit(this))
    , m_exclusion(new QPlainTextEdit(this))
    , m_reasons(new QPlainTextEdit(ReviewMessages::defaultReasons().join(u'\n'), this))
    , m_highlights(new QPlainTextEdit(this))
{
    setObjectName(QStringLiteral("newReviewDialog"));
    setWindowTitle(ReviewTexts::newReviewTitle());
    auto *form = new QFormLayout(this);
    const QList<std::pair<QWidget *, QString>> fields = {
        {m_name, ReviewTexts::name()},           {m_question, ReviewTexts::question()},
        {m_inclusion, ReviewTexts::inclusion()}, {m_exclusion, ReviewTexts::exclusion()},
        {m_reasons, ReviewTexts::reasons()},     {m_highlights, ReviewTexts::highlights()}};
    for (const auto &[field, label] : fields) {
        field->setAccessibleName(label);
        if (auto *edit = qobject_cast<QPlainTextEdit *>(field)) {
            edit->setTabChangesFocus(true);
            edit->setFixedHeight(70);
        }
        form->addRow(label, field);
    }
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton *ok = buttons->button(QDialogButtonBox::Ok);
    ok->setEnabled(false);
    connect(m_name, &QLineEdit::textChanged, ok, [ok](const QString &text) { ok->setEnabled(!text.trimmed().isEmpty()); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

Review NewReviewDialog::review() const
{
    const auto lines = [](const QPlainTextEdit *edit) {
        QStringList out;
        for (const QString &line : edit->toPlainText().split(u'\n'))
            if (!line.trimmed().isEmpty())
                out.append(line.trimmed());
        return out;
    };
    Review review;
    review.name = m_name->text().trimmed();
    review.question = m_question->toPlainText().trimmed();
    review.inclusion = m_inclusion->toPlainText().trimmed();
    review.exclusion = m_exclusion->toPlainText().trimmed();
    review.reasons = lines(m_reasons);
    review.highlights = lines(m_highlights);
    return review;
}
