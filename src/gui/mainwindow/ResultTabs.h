#pragma once

#include <QTabWidget>

class ResultTab;

// The result sets of the window, one tab each: a tab is called by its
// session's source (elided, the whole of it in the tool tip) and marked while
// its session is busy; a middle click asks to close it. With a single tab the
// bar hides, so the window looks as it does without tabs.
class ResultTabs : public QTabWidget
{
    Q_OBJECT

public:
    explicit ResultTabs(QWidget *parent = nullptr);

    ResultTab *current() const;
    ResultTab *at(int index) const;
    // Adds `tab` after the others and shows it.
    void addResultTab(ResultTab *tab);
    // Shows the tab `step` places on, round the ends.
    void step(int step);

signals:
    // A tab joined, before it is shown.
    void tabAdded(ResultTab *tab);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showTitleOf(ResultTab *tab);
};
