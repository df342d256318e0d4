#include "gui/fulltext/UnavailableDialog.h"

#include "gui/fulltext/FullTextTexts.h"

#include <QDialogButtonBox>
#include <QTextBrowser>
#include <QVBoxLayout>

UnavailableDialog::UnavailableDialog(const QList<FullTextOutcome> &outcomes, const Opening &opening, QWidget *parent)
    : QDialog(parent)
    , m_list(new QTextBrowser(this))
{
    setObjectName(QStringLiteral("fullTextUnavailable"));
    setWindowTitle(FullTextTexts::UnavailableTitle);
    setAttribute(Qt::WA_DeleteOnClose);
    m_list->setObjectName(QStringLiteral("fullTextUnavailableList"));
    m_list->setAccessibleName(FullTextTexts::UnavailableTitle);
    m_list->setOpenExternalLinks(true);
    m_list->setTextInteractionFlags(Qt::TextBrowserInteraction | Qt::LinksAccessibleByKeyboard);
    m_list->setHtml(markup(outcomes, opening));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addWidget(buttons);
    resize(560, 320);
}

QString UnavailableDialog::markup(const QList<FullTextOutcome> &outcomes, const Opening &opening)
{
    QString html = QStringLiteral("<ul>");
    for (const FullTextOutcome &outcome : outcomes) {
        html += QStringLiteral("<li>PMID %1: %2").arg(outcome.pmid.toHtmlEscaped(), outcome.reason.toHtmlEscaped());
        if (outcome.publisher.isValid() && !outcome.publisher.isEmpty()) {
            const QString url = opening(outcome.publisher.toString(QUrl::FullyEncoded));
            html += QStringLiteral(" — <a href=\"%1\">%2</a>").arg(url.toHtmlEscaped(), FullTextTexts::PublisherPage);
        }
        html += QStringLiteral("</li>");
    }
    return html + QStringLiteral("</ul>");
}
