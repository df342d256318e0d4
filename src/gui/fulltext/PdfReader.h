#pragma once

#include <QStringList>
#include <QWidget>

class PdfPageView;
class QLineEdit;
class QPdfDocument;
class QPdfSearchModel;
class QSpinBox;

// A kept PDF: its pages one after another with the query's words marked, a
// page number to go to, zoom, find (Enter for the next match) and copying
// the text selected with the mouse, or the page's when none is.
class PdfReader : public QWidget
{
    Q_OBJECT

public:
    PdfReader(const QString &path, const QStringList &words, QWidget *parent = nullptr);
    ~PdfReader() override;

    QPdfDocument *document() const { return m_document; }
    PdfPageView *pages() const { return m_pages; }
    // Finds the next match of `text` after the last one, and shows its page.
    void find(const QString &text);
    void copy() const;

private:
    QPdfDocument *m_document;
    QPdfSearchModel *m_search;
    PdfPageView *m_pages;
    QSpinBox *m_page;
    QLineEdit *m_find;
    int m_match = -1;
};
