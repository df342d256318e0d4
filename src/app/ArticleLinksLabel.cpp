#include "app/ArticleLinksLabel.h"

#include "app/AppMessages.h"

#include <QFocusEvent>

namespace {

struct LinkName
{
    ArticleLinksLabel::Link link;
    QLatin1String target;
    const QString &text;
};

const LinkName kLinkNames[] = {
    {ArticleLinksLabel::Link::Doi, QLatin1String("doi"), AppMessages::DoiLink},
    {ArticleLinksLabel::Link::PubMed, QLatin1String("pubmed"), AppMessages::PubMedLink},
    {ArticleLinksLabel::Link::FreeFullText, QLatin1String("pmc"), AppMessages::FreeFullTextLink},
};

const LinkName &nameOf(ArticleLinksLabel::Link link)
{
    for (const LinkName &name : kLinkNames) {
        if (name.link == link)
            return name;
    }
    Q_UNREACHABLE();
}

} // namespace

ArticleLinksLabel::ArticleLinksLabel(QWidget *parent) : QLabel(parent)
{
    setTextFormat(Qt::RichText);
    setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    setOpenExternalLinks(false);
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QLabel::linkActivated, this, [this](const QString &target) {
        for (const LinkName &name : kLinkNames) {
            if (target == name.target && m_links.contains(name.link)) {
                emit linkChosen(name.link);
                return;
            }
        }
    });
    hide();
}

void ArticleLinksLabel::focusInEvent(QFocusEvent *event)
{
    QLabel::focusInEvent(event);
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason)
        focusNextPrevChild(event->reason() == Qt::TabFocusReason);
}

void ArticleLinksLabel::showLinks(const QList<Link> &links)
{
    m_links = links;
    QStringList anchors;
    for (const Link link : links) {
        const LinkName &name = nameOf(link);
        anchors.append(QStringLiteral("<a href=\"%1\">%2</a>").arg(name.target, name.text.toHtmlEscaped()));
    }
    setText(anchors.join(QStringLiteral(" &nbsp;·&nbsp; ")));
    setVisible(!links.isEmpty());
}
