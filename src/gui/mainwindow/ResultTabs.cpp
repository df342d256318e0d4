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
    connect(this, &QTabWidget::currentChanged, this, [this] {
        if (auto *tab = qobject_cast<ResultTab *>(currentWidget()))
            m_lastResults = tab;
    });
}

ResultTab *ResultTabs::current() const
{
    if (auto *tab = qobject_cast<ResultTab *>(currentWidget()))
        return tab;
    if (m_lastResults && indexOf(m_lastResults) >= 0)
        return m_lastResults;
    const QList<ResultTab *> tabs = resultTabs();
    return tabs.isEmpty() ? nullptr : tabs.constFirst();
}

bool ResultTabs::showsResults() const
{
    return qobject_cast<ResultTab *>(currentWidget()) != nullptr;
}

QList<ResultTab *> ResultTabs::resultTabs() const
{
    QList<ResultTab *> tabs;
    for (int i = 0; i < count(); ++i)
        if (auto *tab = qobject_cast<ResultTab *>(widget(i)))
            tabs.append(tab);
    return tabs;
}

void ResultTabs::showPage(QWidget *page, const QString &title)
{
    if (indexOf(page) < 0) {
        addTab(page, QString());
        setTitle(indexOf(page), title);
        connect(page, &QWidget::windowTitleChanged, this, [this, page](const QString &now) { setTitle(indexOf(page), now); });
    }
    setCurrentWidget(page);
    page->setFocus(Qt::OtherFocusReason);
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
    setTitle(index, title);
    setTabIcon(index, session.isBusy() ? style()->standardIcon(QStyle::SP_BrowserReload) : QIcon());
}

void ResultTabs::setTitle(int index, const QString &title)
{
    // An ampersand in a query is text, not a mnemonic.
    setTabText(index, fontMetrics().elidedText(title, Qt::ElideRight, kTitleWidth).replace(QLatin1Char('&'),
                                                                                            QStringLiteral("&&")));
    setTabToolTip(index, title);
    tabBar()->setAccessibleTabName(index, title);
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
