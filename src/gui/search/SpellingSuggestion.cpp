#include "gui/search/SpellingSuggestion.h"

#include "search/SearchSession.h"

#include <QBoxLayout>
#include <QLabel>

SpellingSuggestion::SpellingSuggestion(QBoxLayout &row, QObject *parent)
    : QObject(parent)
    , m_label(new QLabel)
{
    m_label->setObjectName(QStringLiteral("didYouMeanLabel"));
    m_label->setTextFormat(Qt::RichText);
    m_label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    m_label->setAccessibleName(QStringLiteral("Spelling suggestion"));
    m_label->hide();
    row.insertWidget(1, m_label);
    connect(m_label, &QLabel::linkActivated, this, [this] { emit chosen(m_shown); });
}

void SpellingSuggestion::show(const SearchSession &session)
{
    const QString suggestion = session.suggestion();
    m_label->setHidden(suggestion.isEmpty());
    if (suggestion == m_shown)
        return;
    m_shown = suggestion;
    // The correction is the service's text: escaped, never markup.
    m_label->setText(QStringLiteral("Did you mean: <a href=\"#\">%1</a>?").arg(suggestion.toHtmlEscaped()));
}
