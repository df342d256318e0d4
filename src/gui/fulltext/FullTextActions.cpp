#include "gui/fulltext/FullTextActions.h"

#include "gui/fulltext/FullTextTexts.h"
#include "gui/fulltext/PdfReader.h"
#include "gui/fulltext/TextReader.h"
#include "gui/fulltext/UnavailableDialog.h"
#include "library/CollectionAdd.h"
#include "library/FullTextShelf.h"
#include "library/LibraryStore.h"

#include <QAction>
#include <QMenu>
#include <QProgressDialog>

#include <utility>

FullTextActions::FullTextActions(const Endpoints &endpoints, LibraryStore *library, QWidget &window, QMenu &articlesMenu,
                                 Hooks hooks)
    : QObject(&window)
    , m_endpoints(endpoints)
    , m_library(library)
    , m_window(window)
    , m_hooks(std::move(hooks))
    , m_get(new QAction(FullTextTexts::GetFullText, this))
    , m_read(new QAction(FullTextTexts::ReadFullText, this))
{
    m_get->setObjectName(QStringLiteral("getFullTextAction"));
    m_get->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_G));
    m_read->setObjectName(QStringLiteral("readFullTextAction"));
    m_read->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R));
    articlesMenu.addSeparator();
    addTo(&articlesMenu);
    connect(m_get, &QAction::triggered, this, &FullTextActions::getFullText);
    connect(m_read, &QAction::triggered, this, &FullTextActions::readFullText);
    setEnabled(false);
}

FullTextActions::~FullTextActions()
{
    if (m_fetch)
        m_fetch->cancel();
}

void FullTextActions::addTo(QMenu *menu) const
{
    menu->addAction(m_get);
    menu->addAction(m_read);
}

void FullTextActions::setEnabled(bool enabled)
{
    m_get->setEnabled(enabled && !m_fetch);
    m_read->setEnabled(enabled);
}

QWidget *FullTextActions::newReader(const KeptFullText &kept, const QStringList &words)
{
    if (!kept.document)
        return new PdfReader(kept.path, words);
    auto *text = new TextReader(*kept.document, words);
    const QString pmid = QString::number(kept.row.pmid);
    connect(text, &TextReader::articleRequested, this,
            [this](const QString &cited) { m_hooks.openList(QStringLiteral("PMID ") + cited, {cited}); });
    connect(text, &TextReader::referencesRequested, this,
            [this, pmid](const QStringList &pmids) { m_hooks.openList(FullTextTexts::ReferencesTitle.arg(pmid), pmids); });
    return text;
}

void FullTextActions::readFullText()
{
    if (!m_library) {
        m_hooks.alert(FullTextTexts::NoLibrary);
        return;
    }
    FullTextShelf shelf(*m_library);
    for (const FullTextArticle &article : m_hooks.selection()) {
        const std::optional<KeptFullText> kept = shelf.kept(article.pmid.toLongLong());
        if (!kept) {
            m_hooks.alert(shelf.error().isEmpty() ? FullTextTexts::NotKept.arg(article.pmid) : shelf.error());
            continue;
        }
        const QString title = kept->document && !kept->document->title.isEmpty() ? kept->document->title : QStringLiteral("PMID ") + article.pmid;
        QPointer<QWidget> &reader = m_readers[kept->row.pmid];
        if (!reader)
            reader = newReader(*kept, m_hooks.queryWords());
        m_hooks.showPage(reader, title);
    }
}

std::optional<qint64> FullTextActions::collectionForNew()
{
    const std::optional<QList<Collection>> collections = m_library->collections();
    if (collections && !collections->isEmpty())
        return collections->first().id;
    const std::optional<QString> name = m_hooks.askText(FullTextTexts::CollectionAskTitle, FullTextTexts::CollectionAsk);
    if (!name || name->trimmed().isEmpty())
        return std::nullopt;
    const std::optional<qint64> id = m_library->createCollection(name->trimmed());
    if (!id)
        m_hooks.alert(m_library->error());
    return id;
}

void FullTextActions::getFullText()
{
    if (m_fetch)
        return;
    if (!m_library) {
        m_hooks.alert(FullTextTexts::NoLibrary);
        return;
    }
    const QList<FullTextArticle> articles = m_hooks.selection();
    if (articles.isEmpty() || !m_hooks.ensureOnline())
        return;
    if (m_hooks.identity().email.trimmed().isEmpty()) {
        // Asked once: an address given is kept, and without one Unpaywall is left out.
        if (const std::optional<QString> email = m_hooks.askText(FullTextTexts::NeedEmailTitle, FullTextTexts::NeedEmail))
            m_hooks.saveEmail(email->trimmed());
    }
    QList<qint64> asked;
    for (const FullTextArticle &article : articles)
        asked.append(article.pmid.toLongLong());
    const QSet<qint64> held = m_library->libraryPmidsAmong(asked).value_or(QSet<qint64>());
    QList<qint64> missing;
    for (const qint64 pmid : asked) {
        if (!held.contains(pmid))
            missing.append(pmid);
    }
    if (missing.isEmpty()) {
        fetch(articles);
        return;
    }
    const std::optional<qint64> collection = collectionForNew();
    if (!collection)
        return;
    auto *adder = new CollectionAdd(*m_library, m_endpoints, this);
    adder->download().setIdentity(m_hooks.identity());
    connect(adder, &CollectionAdd::failed, this, [this, adder](const QString &message) {
        m_hooks.alert(message);
        adder->deleteLater();
    });
    connect(adder, &CollectionAdd::finished, this, [this, adder, articles] {
        adder->deleteLater();
        fetch(articles);
    });
    adder->start(*collection, missing);
}

void FullTextActions::fetch(const QList<FullTextArticle> &articles)
{
    const EutilsIdentity identity = m_hooks.identity();
    m_unavailable.clear();
    m_fetch = new FullTextFetch(m_endpoints, this);
    m_fetch->setEmail(identity.email);
    m_fetch->setIdentity(identity);
    m_get->setEnabled(false);
    auto *progress = new QProgressDialog(FullTextTexts::Getting, FullTextTexts::Cancel, 0, int(articles.size()), &m_window);
    progress->setObjectName(QStringLiteral("fullTextProgress"));
    progress->setWindowTitle(FullTextTexts::GettingTitle);
    progress->setAccessibleName(FullTextTexts::GettingTitle);
    progress->setMinimumDuration(0);
    progress->setAutoClose(false);
    progress->setAutoReset(false);
    const auto end = [this, progress] {
        progress->deleteLater();
        m_fetch->deleteLater();
        m_fetch = nullptr;
        m_get->setEnabled(true);
        emit kept();
    };
    connect(progress, &QProgressDialog::canceled, this, [this, end] {
        m_fetch->cancel();
        end();
    });
    connect(m_fetch, &FullTextFetch::progress, progress, [progress](qsizetype done) { progress->setValue(int(done)); });
    connect(m_fetch, &FullTextFetch::articleDone, this, [this](const FullTextOutcome &outcome) {
        if (!outcome.kind) {
            m_unavailable.append(outcome);
            return;
        }
        FullTextShelf shelf(*m_library);
        if (!(outcome.kind == FullTextKind::Text ? shelf.keepText(outcome.row, outcome.text) : shelf.keep(outcome.row, outcome.pdf)))
            m_hooks.alert(shelf.error());
    });
    connect(m_fetch, &FullTextFetch::finished, this, [this, end](const FullTextTally &tally) {
        m_hooks.say(tally.summary());
        end();
        if (!m_unavailable.isEmpty())
            (new UnavailableDialog(std::exchange(m_unavailable, {}), m_hooks.publisherOpening, &m_window))->show();
    });
    m_fetch->start(articles);
}
