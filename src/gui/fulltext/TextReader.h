#pragma once

#include "fulltext/FullTextDocument.h"

#include <QStringList>
#include <QWidget>

class QTextBrowser;
class QTextDocument;

// An article's kept text as a readable document: title, authors, the parts
// with their headings, captions and the reference list. It is built from
// the parsed text, never from markup, so whatever the source held shows as
// text. A reference with a PMID is a link that asks for that article;
// "References of This Article" asks for all of them.
class TextReader : public QWidget
{
    Q_OBJECT

public:
    TextReader(const FullTextDocument &text, const QStringList &words, QWidget *parent = nullptr);

    // Writes `text` into `document`, the `words` marked; links are "pmid:N".
    static void build(QTextDocument &document, const FullTextDocument &text, const QStringList &words);
    QTextBrowser *browser() const { return m_browser; }

signals:
    void articleRequested(const QString &pmid);
    void referencesRequested(const QStringList &pmids);

private:
    QTextBrowser *m_browser;
};
