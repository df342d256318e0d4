#pragma once

#include <QObject>

class QAbstractButton;
class QAction;
class QDockWidget;
class QMainWindow;
class QMenu;
class QPlainTextEdit;
class QSettings;
class SearchSession;

// "Search Details": a panel with what PubMed did with the current tab's
// query (the query, its translation, each term's expansion and count, the
// errors and warnings, the count), opened from the View menu, its shortcut or
// the button beside the message line. Every text of the answer is shown as
// plain text, and can be selected and copied.
class SearchDetailsPanel : public QObject
{
    Q_OBJECT

public:
    SearchDetailsPanel(QMainWindow &window, QSettings &settings, QMenu &viewMenu, QAbstractButton &button);

    // Shows `session`'s details; the button and action are offered once its first answer is there.
    // `expandedFrom`: what was typed when the session searches its #n expansion.
    void show(const SearchSession &session, const QString &expandedFrom = {});

private:
    QDockWidget *m_dock;
    QPlainTextEdit *m_text;
    QAction *m_action;
};
