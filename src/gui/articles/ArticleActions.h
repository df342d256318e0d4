#pragma once

#include "common/Endpoints.h"
#include "entrez/ArticleRecord.h"
#include "export/ExportFormat.h"
#include "preferences/PreferenceStore.h"

#include <QList>

#include <functional>
#include <QString>

class AlertPresenter;
class QMimeData;
class QWidget;
class UrlOpener;

// What can be done with some rows of a result set: open their pages, copy
// them in every form, export them to a file. Works on a session's article
// list and row numbers, so it needs no window to be tested; alerts and the
// browser are the services it is given.
class ArticleActions
{
public:
    // The pages an article may have.
    enum class Page {
        Doi,          // through the proxy when the preferences say so; the PubMed page when the DOI is unknown
        DoiWhereKnown, // the same, but only for articles that have a DOI
        PubMed,
        FreeFullText, // PubMed Central, where the article is there
    };
    // What the selected rows allow.
    struct Offer
    {
        bool any = false;
        bool doi = false;
        bool freeFullText = false;
    };

    ArticleActions(const Endpoints &endpoints, PreferenceStore &preferences, AlertPresenter &alerts, UrlOpener &opener);

    // The window the alerts belong to.
    void setAlertParent(QWidget *parent) { m_alertParent = parent; }

    // The page of each article at `rows` that has one, after asking when
    // there are more than the warning threshold.
    void openPages(const ArticleList &articles, const QList<int> &rows, Page page) const;
    // The links one article offers under its citation, in order.
    QList<Page> pagesOf(const ArticleRecord &article) const;
    Offer offer(const ArticleList &articles, const QList<int> &rows) const;

    // The rows as citations in the chosen style (RTF, HTML, plain text) and as RIS.
    QMimeData *mimeData(const ArticleList &articles, const QList<int> &rows) const;
    void copyCitations(const ArticleList &articles, const QList<int> &rows) const;
    void copyPmids(const ArticleList &articles, const QList<int> &rows) const;
    void copyDois(const ArticleList &articles, const QList<int> &rows) const;
    void copyAs(ExportFormat format, const ArticleList &articles, const QList<int> &rows) const;
    // Writes the rows to `path` in `format`; a failure is told in an alert
    // naming the file. True when the file was written.
    bool exportTo(const QString &path, ExportFormat format, const ArticleList &articles, const QList<int> &rows) const;

    // The articles at `rows`, each once, in table order; rows outside the list are skipped.
    static ArticleList articlesAt(const ArticleList &articles, const QList<int> &rows);

    // Where each of the articles about to be exported was found ("" for none), written with it.
    using FoundAs = std::function<QStringList(const ArticleList &articles)>;
    void setFoundAs(FoundAs foundAs) { m_foundAs = std::move(foundAs); }
    // The citation figures the table shows, for its exports; none while its
    // columns are hidden.
    using Metrics = std::function<const CitationMetricsMap *()>;
    void setMetrics(Metrics metrics) { m_metrics = std::move(metrics); }
    // The reader's notes on the articles about to be exported, one each ("" for none).
    using Notes = std::function<QStringList(const ArticleList &articles)>;
    void setNotes(Notes notes) { m_notes = std::move(notes); }

    // Opens an address in the user's browser.
    void openUrl(const QString &target) const;

private:
    QString urlOf(const ArticleRecord &article, Page page) const;

    Endpoints m_endpoints;
    AppPreferences m_preferences;
    AlertPresenter &m_alerts;
    UrlOpener &m_opener;
    QWidget *m_alertParent = nullptr;
    FoundAs m_foundAs = [](const ArticleList &) { return QStringList(); };
    Metrics m_metrics = [] { return nullptr; };
    Notes m_notes = [](const ArticleList &) { return QStringList(); };
    // The bytes of the rows in `format`, with where they were found and their notes.
    QByteArray exported(ExportFormat format, const ArticleList &articles, const QList<int> &rows) const;
};
