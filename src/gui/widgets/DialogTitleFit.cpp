#include "gui/widgets/DialogTitleFit.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QFontMetrics>
#include <QScreen>

#include <algorithm>

namespace {

// Room for the window manager's icon and its close, minimise and maximise
// buttons beside the title; a message box reserves less because it is fixed.
constexpr int kTitleBarButtons = 160;

} // namespace

DialogTitleFit::DialogTitleFit(QObject &owner) : QObject(&owner)
{
    qApp->installEventFilter(this);
}

int DialogTitleFit::neededWidth(const QWidget &dialog)
{
    // The font Qt itself measures titles with, as a message box does.
    const QFontMetrics metrics(QApplication::font("QMdiSubWindowTitleBar"));
    const int width = metrics.horizontalAdvance(dialog.windowTitle()) + kTitleBarButtons;
    const QScreen *screen = dialog.screen();
    return screen ? std::min(width, screen->availableGeometry().width()) : width;
}

bool DialogTitleFit::eventFilter(QObject *watched, QEvent *event)
{
    const bool shown = event->type() == QEvent::Show || event->type() == QEvent::WindowTitleChange;
    auto *dialog = shown ? qobject_cast<QDialog *>(watched) : nullptr;
    if (dialog && dialog->isWindow() && dialog->isVisible()) {
        const int width = neededWidth(*dialog);
        if (dialog->width() < width && dialog->maximumWidth() >= width)
            dialog->resize(width, dialog->height());
    }
    return QObject::eventFilter(watched, event);
}
