#include "gui/mainwindow/WindowShortcuts.h"

#include "ui_MainWindow.h"

void assignWindowShortcuts(Ui::MainWindow &ui)
{
    ui.nextTabAction->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_PageDown)});
    ui.previousTabAction->setShortcuts(
        // Ctrl+Shift+Tab: the shortcut map also takes the Backtab that Shift+Tab
        // arrives as, from every widget, the search field too.
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_PageUp)});
    ui.focusSearchFieldAction->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_L), QKeySequence(Qt::Key_F6)});
    // Not every platform has a Preferences shortcut; Ctrl+, is the common one.
    QList<QKeySequence> preferenceKeys = QKeySequence::keyBindings(QKeySequence::Preferences);
    if (preferenceKeys.isEmpty())
        preferenceKeys.append(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    ui.preferencesAction->setShortcuts(preferenceKeys);
}
