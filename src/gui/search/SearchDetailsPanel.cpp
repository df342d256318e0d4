#include "gui/search/SearchDetailsPanel.h"

#include "gui/widgets/DockMemory.h"
#include "search/QueryDetails.h"
#include "search/SearchSession.h"

#include <QAbstractButton>
#include <QAction>
#include <QDockWidget>
#include <QMainWindow>
#include <QMenu>
#include <QPlainTextEdit>

SearchDetailsPanel::SearchDetailsPanel(QMainWindow &window, QSettings &settings, QMenu &viewMenu, QAbstractButton &button)
    : QObject(&window)
    , m_dock(new QDockWidget(QStringLiteral("Search Details"), &window))
    , m_text(new QPlainTextEdit(m_dock))
    , m_action(new QAction(QStringLiteral("Search &Details"), &window))
{
    m_dock->setObjectName(QStringLiteral("searchDetailsPanel"));
    m_text->setObjectName(QStringLiteral("searchDetailsText"));
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_dock->setWidget(m_text);
    // Floating the first time, wide enough for a translation's lines to read
    // as lines; then wherever, and as large as, the user left it.
    const QFontMetrics metrics = m_text->fontMetrics();
    DockMemory::remember(window, *m_dock, settings,
                         {.shown = false,
                          .floating = true,
                          .floatingSize = QSize(metrics.averageCharWidth() * 80, metrics.lineSpacing() * 20)});

    m_action->setObjectName(QStringLiteral("searchDetailsAction"));
    m_action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    m_action->setEnabled(false);
    viewMenu.addAction(m_action);
    connect(m_action, &QAction::triggered, m_dock, [this] {
        m_dock->show();
        m_dock->raise();
    });
    connect(&button, &QAbstractButton::clicked, m_action, &QAction::trigger);
    connect(m_action, &QAction::changed, &button, [this, &button] { button.setEnabled(m_action->isEnabled()); });
    button.setEnabled(false);
    button.setToolTip(QStringLiteral("What PubMed did with the query (%1)")
                          .arg(m_action->shortcut().toString(QKeySequence::NativeText)));
}

void SearchDetailsPanel::show(const SearchSession &session, const QString &expandedFrom)
{
    const SearchResult &answer = session.queryAnswer();
    const bool answered = !answer.totalCount.isEmpty();
    m_action->setEnabled(answered);
    QString text = answered ? QueryDetails::explanation(session.source().query, answer, session.source().effectiveQuery()) : QString();
    if (answered && !expandedFrom.isEmpty())
        text.prepend(QStringLiteral("Expanded from: ") + expandedFrom + QLatin1Char('\n'));
    // Set only when it changed, so that a selection in the panel survives progress updates.
    if (m_text->toPlainText() != text)
        m_text->setPlainText(text);
}
