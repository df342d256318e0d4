#include "gui/references/ReferenceActions.h"

#include "gui/references/ReferenceListDialog.h"
#include "gui/references/ReferenceTexts.h"
#include "references/ReferenceMatcher.h"
#include "references/ReferenceMessages.h"
#include "references/ReferenceParser.h"
#include "references/ReferenceSplitter.h"
#include "search/SearchMessages.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QShortcut>

#include <algorithm>

ReferenceActions::ReferenceActions(const Endpoints &endpoints, QWidget &window, QMenu &fileMenu, QLineEdit &searchField,
                                   Hooks hooks)
    : QObject(&window), m_endpoints(endpoints), m_window(window), m_hooks(std::move(hooks))
{
    m_action = new QAction(ReferenceTexts::MenuItem, this);
    m_action->setObjectName(QStringLiteral("findArticlesFromReferencesAction"));
    connect(m_action, &QAction::triggered, this, [this] { openDialog(); });
    // After the tab commands, before the exports.
    const QList<QAction *> actions = fileMenu.actions();
    const auto separator = std::find_if(actions.cbegin(), actions.cend(), [](QAction *a) { return a->isSeparator(); });
    fileMenu.insertAction(separator == actions.cend() ? nullptr : *separator, m_action);

    // Ctrl+Shift+V pastes as the field would, unless a reference list is on the clipboard.
    auto *paste = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V), &searchField);
    paste->setContext(Qt::WidgetShortcut);
    connect(paste, &QShortcut::activated, this, [this, &searchField] {
        const QString text = QGuiApplication::clipboard()->text();
        if (isReferenceList(text))
            openDialog(text);
        else
            searchField.insert(text.simplified());
    });

    m_matcher = new ReferenceMatcher(m_endpoints, this);
    connect(m_matcher, &ReferenceMatcher::stepStarted, this, [this](const QString &what) {
        if (m_dialog)
            m_dialog->showRunning(what);
    });
    connect(m_matcher, &ReferenceMatcher::retryScheduled, this, [this](int seconds) {
        if (m_dialog)
            m_dialog->showRunning(SearchMessages::busyRetrying(seconds));
    });
    connect(m_matcher, &ReferenceMatcher::finished, this, [this](const ReferenceMatching &matching) {
        if (m_dialog)
            m_dialog->showMatching(matching);
    });
}

ReferenceActions::~ReferenceActions() = default;

bool ReferenceActions::isReferenceList(const QString &text)
{
    const QStringList references = splitReferences(text);
    return std::count_if(references.cbegin(), references.cend(),
                         [](const QString &reference) { return parseReference(reference).looksLikeReference(); })
           >= 2;
}

void ReferenceActions::openDialog(const QString &text)
{
    if (!m_dialog) {
        m_dialog = new ReferenceListDialog(&m_window);
        m_dialog->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_dialog, &ReferenceListDialog::findRequested, this, &ReferenceActions::find);
        connect(m_dialog, &ReferenceListDialog::stopRequested, m_matcher, [this] {
            m_matcher->cancel();
            if (m_dialog)
                m_dialog->showMatching({});
        });
        connect(m_dialog, &ReferenceListDialog::openRequested, this, &ReferenceActions::open);
        connect(m_dialog, &QObject::destroyed, m_matcher, &ReferenceMatcher::cancel);
    }
    if (!text.isEmpty())
        m_dialog->setText(text);
    m_dialog->show();
    m_dialog->raise();
    m_dialog->activateWindow();
    if (!text.isEmpty())
        find(text);
}

void ReferenceActions::find(const QString &text)
{
    const QStringList references = splitReferences(text);
    if (references.isEmpty()) {
        m_dialog->showMatching({}); // "0 of 0 references found"
        return;
    }
    if (m_matcher->isRunning() || !m_hooks.ensureOnline())
        return;
    m_matcher->setIdentity(m_hooks.identity());
    m_dialog->showRunning(ReferenceMessages::matchingReferences(references.size()));
    m_matcher->start(references);
}

void ReferenceActions::open(const ReferenceMatching &matching)
{
    const QStringList pmids = matching.pmids();
    if (pmids.isEmpty() || !m_hooks.ensureOnline())
        return;
    m_hooks.openList(ReferenceMessages::tabTitle(matching.foundCount(), matching.referenceCount()), pmids,
                     matching.textsOfPmids());
}
