#pragma once

#include <QWidget>

class QLineEdit;
class QPdfDocument;
class QPdfSearchModel;
class QPdfView;
class QSpinBox;

// A kept PDF in Qt's PDF view: pages one after another, a page number to go
// to, zoom, find (Enter for the next match) and copying the page's text.
class PdfReader : public QWidget
{
    Q_OBJECT

public:
    PdfReader(const QString &path, QWidget *parent = nullptr);
    ~PdfReader() override;

    QPdfDocument *document() const { return m_document; }
    QPdfView *view() const { return m_view; }
    // Finds the next match of `text` after the last one, and shows its page.
    void find(const QString &text);
    void copyPageText() const;

private:
    QPdfDocument *m_document;
    QPdfView *m_view;
    QPdfSearchModel *m_search;
    QSpinBox *m_page;
    QLineEdit *m_find;
    int m_match = -1;
};
