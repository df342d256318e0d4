#include "gui/mainwindow/ResultTabs.h"

#include "gui/mainwindow/ResultTab.h"
#include "search/SearchMessages.h"
#include "search/SearchSession.h"

#include <QMouseEvent>
#include <QStyle>
#include <QTabBar>

namespace {
// How wide a tab's title may grow before it is elided.
constexpr int kTitleWidth = 220;
} // namespace

ResultTabs::ResultTabs(QWidget *parent) : QTabWidget(parent)
{
    setTabBarAutoHide(true);
    tabBar()->installEventFilter(this);
}

ResultTab *ResultTabs::current() const
{
    return static_cast<ResultTab *>(currentWidget());
}

ResultTab *ResultTabs::at(int index) const
{
    return static_cast<ResultTab *>(widget(index));
}

void ResultTabs::addResultTab(ResultTab *tab)
{
    connect(&tab->session(), &SearchSession::changed, this, [this, tab] { showTitleOf(tab); });
    connect(tab, &ResultTab::nameChanged, this, [this, tab] { showTitleOf(tab); });
    const int index = addTab(tab, QString());
    emit tabAdded(tab);
    setCurrentIndex(index);
    showTitleOf(tab);
}

void ResultTabs::step(int step)
{
    setCurrentIndex((currentIndex() + step + count()) % count());
}

void ResultTabs::showTitleOf(ResultTab *tab)
{
    const int index = indexOf(tab);
    const SearchSession &session = tab->session();
    const QString title = !tab->name().isEmpty()         ? tab->name()
                          : session.source().isNone() ? SearchMessages::NewTabTitle
                                                      : session.source().title();
    // An ampersand in a query is text, not a mnemonic.
    setTabText(index, fontMetrics().elidedText(title, Qt::ElideRight, kTitleWidth).replace(QLatin1Char('&'),
                                                                                            QStringLiteral("&&")));
    setTabToolTip(index, title);
    tabBar()->setAccessibleTabName(index, title);
    setTabIcon(index, session.isBusy() ? style()->standardIcon(QStyle::SP_BrowserReload) : QIcon());
}

bool ResultTabs::eventFilter(QObject *watched, QEvent *event)
{
    // A middle click closes the tab under it, as in a browser.
    if (watched == tabBar() && event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const int index = tabBar()->tabAt(mouse->position().toPoint());
        if (mouse->button() == Qt::MiddleButton && index >= 0) {
            emit tabCloseRequested(index);
            return true;
        }
    }
    return QTabWidget::eventFilter(watched, event);
}
