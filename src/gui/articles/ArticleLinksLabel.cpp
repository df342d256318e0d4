#include "gui/articles/ArticleLinksLabel.h"

#include "gui/mainwindow/AppMessages.h"

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

const std::pair<QLatin1String, LinkKind> kLinkSetTargets[] = {{QLatin1String("citedby"), LinkKind::CitedBy},
                                                               {QLatin1String("refs"), LinkKind::References},
                                                               {QLatin1String("similar"), LinkKind::Similar}};

QString anchor(QLatin1String target, const QString &text)
{
    return QStringLiteral("<a href=\"%1\">%2</a>").arg(target, text.toHtmlEscaped());
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
        for (const auto &[name, kind] : kLinkSetTargets) {
            if (target == name && m_counts)
                emit linkSetChosen(kind);
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
    m_counts.reset();
    render();
}

void ArticleLinksLabel::showCounts(const std::optional<ArticleLinkCounts> &counts)
{
    m_counts = counts;
    render();
}

void ArticleLinksLabel::render()
{
    QStringList anchors;
    for (const Link link : std::as_const(m_links)) {
        const LinkName &name = nameOf(link);
        anchors.append(anchor(name.target, name.text));
    }
    if (m_counts) {
        anchors.append(anchor(kLinkSetTargets[0].first, AppMessages::citedByCount(m_counts->citedBy)));
        anchors.append(anchor(kLinkSetTargets[1].first, AppMessages::referencesCount(m_counts->references)));
        if (m_counts->rcr)
            anchors.append(AppMessages::rcrFigures(*m_counts->rcr, m_counts->nihPercentile).toHtmlEscaped());
        anchors.append(anchor(kLinkSetTargets[2].first, AppMessages::SimilarArticlesLink));
    }
    setText(anchors.join(QStringLiteral(" &nbsp;·&nbsp; ")));
    setVisible(!anchors.isEmpty());
}
