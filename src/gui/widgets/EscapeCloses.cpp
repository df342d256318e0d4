#include "gui/widgets/EscapeCloses.h"

#include <QKeyEvent>
#include <QWidget>

EscapeCloses::EscapeCloses(QWidget &window) : QObject(&window)
{
    window.installEventFilter(this);
}

bool EscapeCloses::eventFilter(QObject *watched, QEvent *event)
{
    const bool key = event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress;
    if (!key || static_cast<QKeyEvent *>(event)->key() != Qt::Key_Escape)
        return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress)
        static_cast<QWidget *>(parent())->hide();
    event->accept();
    return true;
}
