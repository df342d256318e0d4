#include "gui/articles/QueryHighlighter.h"

#include "gui/mainwindow/ResultTab.h"
#include "search/QueryWords.h"
#include "search/SearchSession.h"

#include <QAction>
#include <QMenu>
#include <QTextEdit>

namespace {

QList<QTextEdit::ExtraSelection> marksOf(QTextEdit &view, const QStringList &words)
{
    QTextCharFormat mark;
    mark.setBackground(QColor(255, 236, 140));
    QList<QTextEdit::ExtraSelection> marks;
    for (const QString &word : words) {
        // Case-blind, whole words; a phrase as a whole.
        for (QTextCursor found = view.document()->find(word, 0, QTextDocument::FindWholeWords); !found.isNull();
             found = view.document()->find(word, found, QTextDocument::FindWholeWords))
            marks.append({found, mark});
    }
    return marks;
}

} // namespace

QueryHighlighter::QueryHighlighter(QMenu &viewMenu, QObject *parent)
    : QObject(parent)
    , m_action(viewMenu.addAction(QStringLiteral("Highlight &Query Words")))
{
    m_action->setObjectName(QStringLiteral("highlightQueryWordsAction"));
    m_action->setCheckable(true);
    m_action->setChecked(true);
    connect(m_action, &QAction::toggled, this, &QueryHighlighter::toggled);
}

void QueryHighlighter::apply(ResultTab &tab) const
{
    const QStringList words = m_action->isChecked() ? wordsLookedFor(tab.session().source()) : QStringList();
    for (const char *name : {"abstractNSTextView", "citationNSTextView"}) {
        if (auto *view = tab.findChild<QTextEdit *>(QLatin1String(name)))
            view->setExtraSelections(marksOf(*view, words));
    }
}
