#pragma once

#include "common/Endpoints.h"
#include "entrez/EutilsRequest.h"
#include "fulltext/FullTextFetch.h"
#include "library/FullTextShelf.h"

#include <QHash>
#include <QObject>
#include <QPointer>

#include <functional>

class LibraryStore;
class QAction;
class QMenu;
class QWidget;

// Articles > Get Full Text and Read Full Text, and the same on the table's
// context menu. Getting runs in the background with a progress dialog and
// Cancel: the articles the library lacks are first added to the collection
// used last (or one the user names), then each article's legal full text is
// fetched and kept; the message line gives the tally, and the articles that
// could not be had are listed with why and their publisher's page. Reading opens the kept
// text or PDF in a tab of the window, one tab an article.
class FullTextActions : public QObject
{
    Q_OBJECT

public:
    struct Hooks
    {
        // The selected articles: PMID and DOI.
        std::function<QList<FullTextArticle>()> selection;
        // The words of the current query, to mark in a text.
        std::function<QStringList()> queryWords;
        // Online, or else the user has been told.
        std::function<bool()> ensureOnline;
        std::function<EutilsIdentity()> identity;
        // Keeps a contact address the user gave when asked.
        std::function<void(const QString &email)> saveEmail;
        // A collection name asked of the user; none when cancelled.
        std::function<std::optional<QString>(const QString &title, const QString &label)> askText;
        std::function<void(const QString &message)> say;
        std::function<void(const QString &message)> alert;
        // Opens a new tab of the articles of `pmids`.
        std::function<void(const QString &title, const QStringList &pmids)> openList;
        // The address a publisher's page opens at: through the proxy when on.
        std::function<QString(const QString &url)> publisherOpening;
        // Shows `page` in a tab of the window, adding it when it is new.
        std::function<void(QWidget *page, const QString &title)> showPage;
    };

    FullTextActions(const Endpoints &endpoints, LibraryStore *library, QWidget &window, QMenu &articlesMenu, Hooks hooks);
    ~FullTextActions() override;

    void addTo(QMenu *menu) const;
    void setEnabled(bool enabled);
    QAction *getAction() const { return m_get; }
    QAction *readAction() const { return m_read; }
    // The tab reading the kept text of `pmid`, if one is open.
    QWidget *reader(qint64 pmid) const { return m_readers.value(pmid); }

    void getFullText();
    void readFullText();
    bool isRunning() const { return m_fetch != nullptr; }

signals:
    // Full texts were kept: the marks of the table may change.
    void kept();

private:
    void fetch(const QList<FullTextArticle> &articles);
    QWidget *newReader(const KeptFullText &kept, const QStringList &words);
    std::optional<qint64> collectionForNew();

    Endpoints m_endpoints;
    LibraryStore *m_library;
    QWidget &m_window;
    Hooks m_hooks;
    QAction *m_get;
    QAction *m_read;
    QPointer<FullTextFetch> m_fetch;
    QHash<qint64, QPointer<QWidget>> m_readers;
    // The articles of the running fetch that could not be had, and why.
    QList<FullTextOutcome> m_unavailable;
};
