#pragma once

#include "library/FullTextShelf.h"

#include <QWidget>

class QTabWidget;

// The window of kept full texts being read: each in a tab of its own, a text
// or a PDF; Ctrl+W closes a tab. It asks for articles (a reference's, or all
// of a text's references) without knowing who opens them.
class ReaderWindow : public QWidget
{
    Q_OBJECT

public:
    explicit ReaderWindow(QWidget *parent = nullptr);

    // Shows `kept` in a new tab called `title`, `words` marked in a text.
    void open(const KeptFullText &kept, const QString &title, const QStringList &words);
    QTabWidget *tabs() const { return m_tabs; }

signals:
    void articleRequested(const QString &pmid);
    void referencesRequested(const QString &pmid, const QStringList &pmids);

private:
    QTabWidget *m_tabs;
};
