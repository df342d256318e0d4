#pragma once

#include <QObject>

class QWidget;

// Widens every dialog of the application, as it is shown or retitled, so that
// its whole title fits the title bar: a window manager elides a title that is
// wider than the dialog's contents ("Updating Records — My coll…"). Never
// wider than the screen; the user may still make it narrower.
class DialogTitleFit : public QObject
{
public:
    // Watches the whole application while `owner` lives.
    explicit DialogTitleFit(QObject &owner);

    // The width the title bar needs for `dialog`'s title, within its screen.
    static int neededWidth(const QWidget &dialog);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
