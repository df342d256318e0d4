#pragma once

#include <QObject>

class QAction;
class QMenu;
class ResultTab;

// Marks the words of a tab's query in its abstract and citation views, on
// View > Highlight Query Words (on at first). The marks lie over the text
// and are no part of it, so copying and exporting never carry them.
class QueryHighlighter : public QObject
{
    Q_OBJECT

public:
    explicit QueryHighlighter(QMenu &viewMenu, QObject *parent = nullptr);

    void apply(ResultTab &tab) const;

signals:
    void toggled();

private:
    QAction *m_action;
};
