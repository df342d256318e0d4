#pragma once

#include <QTabWidget>

class ResultTab;

#include <QPointer>

// The result sets of the window, one tab each, and beside them pages of other
// kinds (a full text being read, a review): a tab is called by its session's
// source or the page's title (elided, the whole of it in the tool tip) and
// marked while its session is busy; a middle click asks to close it. With a
// single tab the bar hides, so the window looks as it does without tabs.
class ResultTabs : public QTabWidget
{
    Q_OBJECT

public:
    explicit ResultTabs(QWidget *parent = nullptr);

    // The result set shown, or while a page is shown the one shown last: the
    // one a search or an action on articles goes to.
    ResultTab *current() const;
    // Whether the tab shown is a result set rather than a page.
    bool showsResults() const;
    QList<ResultTab *> resultTabs() const;
    // Adds `tab` after the others and shows it.
    void addResultTab(ResultTab *tab);
    // Shows `page`, after the others when it is not a tab yet.
    void showPage(QWidget *page, const QString &title);
    // Shows the tab `step` places on, round the ends.
    void step(int step);

signals:
    // A tab joined, before it is shown.
    void tabAdded(ResultTab *tab);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showTitleOf(ResultTab *tab);
    void setTitle(int index, const QString &title);

    QPointer<ResultTab> m_lastResults;
};
