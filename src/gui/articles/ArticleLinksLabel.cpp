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

const QLatin1String kSourceTarget("source:");

QString anchor(const QString &target, const QString &text)
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
        if (target.startsWith(kSourceTarget)) {
            bool ok = false;
            const qsizetype index = target.mid(kSourceTarget.size()).toLongLong(&ok);
            if (ok && index >= 0 && index < m_sources.size())
                emit sourceChosen(m_sources.at(index));
            return;
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
    m_sources.clear();
    render();
}

void ArticleLinksLabel::showCounts(const std::optional<ArticleLinkCounts> &counts)
{
    m_counts = counts;
    render();
}

void ArticleLinksLabel::showSources(const std::optional<QList<FullTextSource>> &sources)
{
    m_sources = sources.value_or(QList<FullTextSource>());
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
    QStringList sources;
    for (qsizetype i = 0; i < m_sources.size(); ++i) {
        const FullTextSource &source = m_sources.at(i);
        sources.append(anchor(kSourceTarget + QString::number(i), AppMessages::fullTextSource(source.label, source.free)));
    }
    const QString separator = QStringLiteral(" &nbsp;·&nbsp; ");
    setText(anchors.join(separator) + (anchors.isEmpty() || sources.isEmpty() ? QString() : QStringLiteral("<br>")) + sources.join(separator));
    setVisible(!anchors.isEmpty() || !sources.isEmpty());
}
