#pragma once

#include <QObject>

class QWidget;

// Makes Escape close (hide) a floating window, such as a floating dock, that
// shares its main window's shortcuts: Escape is taken there before the main
// window's own Escape shortcut can claim it.
class EscapeCloses : public QObject
{
public:
    explicit EscapeCloses(QWidget &window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
