#pragma once

#include <QObject>
#include <QSize>

class QDockWidget;
class QMainWindow;
class QSettings;

// Where a dock is put the first time: its side, whether it floats (and how
// large it then opens) and whether it shows.
struct DockPlace
{
    Qt::DockWidgetArea area = Qt::RightDockWidgetArea;
    bool shown = true;
    bool floating = false;
    QSize floatingSize = {};
};

// Puts a dock where the user left it, shown or hidden, docked on a side or
// floating with its frame, and remembers that when the window closes or the
// application quits with it open. The dock's own visibility signals are not
// used: they also fire while the window goes away, and would record every
// dock as hidden. Any dock joins with one call, keyed by its object name.
class DockMemory : public QObject
{
public:
    static void remember(QMainWindow &window, QDockWidget &dock, QSettings &settings, const DockPlace &first);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    DockMemory(QMainWindow &window, QDockWidget &dock, QSettings &settings);
    void restore(const DockPlace &first);
    void save() const;
    QString key(const char *name) const;

    QMainWindow &m_window;
    QDockWidget &m_dock;
    QSettings &m_settings;
};
