#include "gui/widgets/DockMemory.h"

#include <QCoreApplication>
#include <QDockWidget>
#include <QEvent>
#include <QMainWindow>
#include <QSettings>

namespace {
constexpr Qt::DockWidgetArea kSides[] = {Qt::LeftDockWidgetArea, Qt::RightDockWidgetArea, Qt::TopDockWidgetArea,
                                         Qt::BottomDockWidgetArea};
} // namespace

void DockMemory::remember(QMainWindow &window, QDockWidget &dock, QSettings &settings, const DockPlace &first)
{
    (new DockMemory(window, dock, settings))->restore(first);
}

DockMemory::DockMemory(QMainWindow &window, QDockWidget &dock, QSettings &settings)
    : QObject(&dock), m_window(window), m_dock(dock), m_settings(settings)
{
    window.installEventFilter(this);
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
        // Quitting from the menu leaves the window open; a closed one has said it all.
        if (m_window.isVisible())
            save();
    });
}

QString DockMemory::key(const char *name) const
{
    return QStringLiteral("docks/%1/%2").arg(m_dock.objectName(), QLatin1String(name));
}

void DockMemory::restore(const DockPlace &first)
{
    const int side = m_settings.value(key("area"), int(first.area)).toInt();
    const bool known = std::find(std::begin(kSides), std::end(kSides), Qt::DockWidgetArea(side)) != std::end(kSides);
    m_window.addDockWidget(known ? Qt::DockWidgetArea(side) : first.area, &m_dock);
    const bool floating = m_settings.value(key("floating"), first.floating).toBool();
    m_dock.setFloating(floating);
    if (floating && !m_dock.restoreGeometry(m_settings.value(key("geometry")).toByteArray()) && first.floatingSize.isValid())
        m_dock.resize(first.floatingSize);
    m_dock.setVisible(m_settings.value(key("shown"), first.shown).toBool());
}

void DockMemory::save() const
{
    m_settings.setValue(key("shown"), m_dock.isVisibleTo(&m_window));
    m_settings.setValue(key("area"), int(m_window.dockWidgetArea(&m_dock)));
    m_settings.setValue(key("floating"), m_dock.isFloating());
    if (m_dock.isFloating())
        m_settings.setValue(key("geometry"), m_dock.saveGeometry());
}

bool DockMemory::eventFilter(QObject *watched, QEvent *event)
{
    // Before the window handles its close, while its docks still show.
    if (watched == &m_window && event->type() == QEvent::Close)
        save();
    return QObject::eventFilter(watched, event);
}
