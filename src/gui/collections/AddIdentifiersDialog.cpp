#include "gui/collections/AddIdentifiersDialog.h"

#include "gui/collections/CollectionTexts.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

AddIdentifiersDialog::AddIdentifiersDialog(const QString &collection, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("addIdentifiersDialog"));
    setWindowTitle(CollectionTexts::AddIdentifiersTitle);
    auto *layout = new QVBoxLayout(this);
    auto *prompt = new QLabel(CollectionTexts::AddIdentifiersPrompt.arg(collection), this);
    prompt->setTextFormat(Qt::PlainText);
    prompt->setWordWrap(true);
    layout->addWidget(prompt);
    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(QStringLiteral("identifiersText"));
    m_text->setAccessibleName(tr("Identifiers"));
    m_text->setTabChangesFocus(true);
    prompt->setBuddy(m_text);
    layout->addWidget(m_text);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("Add"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(460, 300);
}

QString AddIdentifiersDialog::text() const
{
    return m_text->toPlainText();
}
