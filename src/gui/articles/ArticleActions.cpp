#include "gui/articles/ArticleActions.h"

#include "gui/widgets/AlertPresenter.h"
#include "gui/mainwindow/AppMessages.h"
#include "gui/widgets/UrlOpener.h"
#include "citations/ArticleLinks.h"
#include "citations/Citation.h"
#include "citations/HtmlWriter.h"
#include "citations/LinkUrl.h"
#include "citations/PlainWriter.h"
#include "citations/ProxyLink.h"
#include "citations/RtfWriter.h"
#include "common/SystemLog.h"
#include "export/CitationStyle.h"
#include "export/ExportFile.h"
#include "search/SearchMessages.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>

#include <algorithm>

namespace {
// The MIME type reference managers take RIS under on paste and drop.
const QString kRisMimeType = QStringLiteral("application/x-research-info-systems");
} // namespace

ArticleActions::ArticleActions(const Endpoints &endpoints, PreferenceStore &preferences, AlertPresenter &alerts,
                               UrlOpener &opener)
    : m_endpoints(endpoints), m_preferences(preferences), m_alerts(alerts), m_opener(opener)
{
}

QString ArticleActions::urlOf(const ArticleRecord &article, Page page) const
{
    const bool hasDoi = !article.utf8(ArticleRecord::Key::Doi).empty();
    switch (page) {
    case Page::DoiWhereKnown:
        return hasDoi ? doiUrlForArticle(article, m_endpoints) : QString();
    case Page::Doi:
        // The resolver's root would show nothing of the article; its PubMed page does.
        return hasDoi ? doiUrlForArticle(article, m_endpoints) : pubmedUrlForArticle(article, m_endpoints);
    case Page::PubMed:
        return pubmedUrlForArticle(article, m_endpoints);
    case Page::FreeFullText:
        return pmcUrlForArticle(article, m_endpoints);
    }
    return {};
}

void ArticleActions::openPages(const ArticleList &articles, const QList<int> &rows, Page page) const
{
    QStringList urls;
    for (const ArticleRecord &article : articlesAt(articles, rows)) {
        const QString url = urlOf(article, page);
        if (!url.isEmpty())
            urls.append(url);
    }
    const int n = int(urls.size());
    if (n == 0)
        return;
    if (n > m_preferences.urlWarningNumber()) {
        const int choice = m_alerts.run({Alert::Style::Question, AppMessages::MultipleLinksTitle,
                                         AppMessages::MultipleLinksTitle, AppMessages::multipleLinks(n),
                                         {SearchMessages::OK, AppMessages::Cancel}},
                                        m_alertParent);
        if (choice != 0)
            return;
    }
    const bool proxied = (page == Page::Doi || page == Page::DoiWhereKnown) && m_preferences.useProxy();
    for (int i = 0; i < n; ++i) {
        if (i > 0)
            systemLog(QStringLiteral("%1\n"), urls[i]);
        openUrl(proxied ? proxiedUrl(m_preferences.proxyURL(), urls[i]) : urls[i]);
    }
}

void ArticleActions::openUrl(const QString &target) const
{
    // A DOI holding characters a URL may not carry is opened in its escaped form.
    const QUrl url(encodedLinkUrl(target), QUrl::StrictMode);
    if (!url.isValid()) {
        systemLog(QStringLiteral("cannot open %1: %2"), target, url.errorString());
        return;
    }
    m_opener.open(url);
}

QList<ArticleActions::Page> ArticleActions::pagesOf(const ArticleRecord &article) const
{
    QList<Page> pages;
    for (const Page page : {Page::DoiWhereKnown, Page::PubMed, Page::FreeFullText}) {
        if (!urlOf(article, page).isEmpty())
            pages.append(page == Page::DoiWhereKnown ? Page::Doi : page);
    }
    return pages;
}

ArticleActions::Offer ArticleActions::offer(const ArticleList &articles, const QList<int> &rows) const
{
    Offer offer;
    for (const ArticleRecord &article : articlesAt(articles, rows)) {
        offer.any = true;
        offer.doi = offer.doi || !article.utf8(ArticleRecord::Key::Doi).empty();
        offer.freeFullText = offer.freeFullText || !pmcUrlForArticle(article, m_endpoints).isEmpty();
    }
    return offer;
}

QMimeData *ArticleActions::mimeData(const ArticleList &articles, const QList<int> &rows) const
{
    const RichText text = CitationStyles::exportTextInStyle(m_preferences.citationStyle(), articles,
                                                            QList<qsizetype>(rows.begin(), rows.end()), m_endpoints);
    auto *data = new QMimeData;
    data->setData(QStringLiteral("text/rtf"), RtfWriter::write(text));
    data->setHtml(HtmlWriter::write(text));
    data->setText(PlainWriter::write(text));
    data->setData(kRisMimeType, exported(ExportFormat::Ris, articles, rows));
    return data;
}

QByteArray ArticleActions::exported(ExportFormat format, const ArticleList &articles, const QList<int> &rows) const
{
    const ArticleList chosen = articlesAt(articles, rows);
    return ExportFormats::write(format, chosen, m_foundAs(chosen), m_metrics(), m_notes(chosen));
}

void ArticleActions::copyCitations(const ArticleList &articles, const QList<int> &rows) const
{
    QGuiApplication::clipboard()->setMimeData(mimeData(articles, rows));
}

void ArticleActions::copyPmids(const ArticleList &articles, const QList<int> &rows) const
{
    QGuiApplication::clipboard()->setText(pmidLines(articlesAt(articles, rows)));
}

void ArticleActions::copyDois(const ArticleList &articles, const QList<int> &rows) const
{
    QGuiApplication::clipboard()->setText(doiLines(articlesAt(articles, rows)));
}

void ArticleActions::copyAs(ExportFormat format, const ArticleList &articles, const QList<int> &rows) const
{
    const QByteArray bytes = exported(format, articles, rows);
    auto *data = new QMimeData;
    data->setText(QString::fromUtf8(bytes));
    if (format == ExportFormat::Ris)
        data->setData(kRisMimeType, bytes);
    QGuiApplication::clipboard()->setMimeData(data);
}

bool ArticleActions::exportTo(const QString &path, ExportFormat format, const ArticleList &articles,
                              const QList<int> &rows) const
{
    const std::optional<QString> reason = writeFileAtomically(path, exported(format, articles, rows));
    if (!reason)
        return true;
    m_alerts.run({Alert::Style::Warning, AppMessages::ExportFailedTitle,
                  AppMessages::exportFailed(QFileInfo(path).fileName()), *reason, {SearchMessages::OK}},
                 m_alertParent);
    return false;
}

ArticleList ArticleActions::articlesAt(const ArticleList &articles, const QList<int> &rows)
{
    QList<int> ascending = rows;
    std::sort(ascending.begin(), ascending.end());
    ascending.erase(std::unique(ascending.begin(), ascending.end()), ascending.end());
    ArticleList chosen;
    for (const int row : std::as_const(ascending)) {
        if (row >= 0 && row < articles.size())
            chosen.append(articles.at(row));
    }
    return chosen;
}
