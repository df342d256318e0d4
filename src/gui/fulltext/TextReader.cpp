#include "gui/fulltext/TextReader.h"

#include "gui/fulltext/FullTextTexts.h"
#include "gui/fulltext/WordMarks.h"

#include <QPushButton>
#include <QSet>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QVBoxLayout>

namespace {

const QString kPmidScheme = QStringLiteral("pmid:");

QTextCharFormat sized(qreal scale, bool bold, bool italic = false)
{
    QTextCharFormat format;
    format.setFontPointSize(QFont().pointSizeF() * scale);
    format.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(italic);
    return format;
}

void paragraph(QTextCursor &cursor, const QString &text, const QTextCharFormat &format)
{
    QTextBlockFormat block;
    block.setBottomMargin(8);
    cursor.insertBlock(block, format);
    cursor.insertText(text, format);
}

void mark(QTextDocument &document, const QStringList &words)
{
    QTextCharFormat marked;
    marked.setBackground(WordMarks::Colour);
    for (const QString &word : words) {
        const QRegularExpression pattern = WordMarks::pattern(word);
        if (pattern.pattern().isEmpty())
            continue;
        for (QTextCursor found = document.find(pattern); !found.isNull(); found = document.find(pattern, found))
            found.mergeCharFormat(marked);
    }
}

} // namespace

TextReader::TextReader(const FullTextDocument &text, const QStringList &words, QWidget *parent)
    : QWidget(parent)
    , m_browser(new QTextBrowser(this))
{
    m_browser->setOpenLinks(false);
    m_browser->setAccessibleName(FullTextTexts::TextView);
    build(*m_browser->document(), text, words);
    m_browser->moveCursor(QTextCursor::Start);
    auto *references = new QPushButton(FullTextTexts::ReferencesOfArticle, this);
    references->setEnabled(!text.referencePmids().isEmpty());
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_browser);
    layout->addWidget(references, 0, Qt::AlignLeft);
    connect(m_browser, &QTextBrowser::anchorClicked, this, [this](const QUrl &url) {
        const QString link = url.toString();
        if (link.startsWith(kPmidScheme))
            emit articleRequested(link.mid(kPmidScheme.size()));
    });
    const QStringList pmids = text.referencePmids();
    connect(references, &QPushButton::clicked, this, [this, pmids] { emit referencesRequested(pmids); });
}

void TextReader::build(QTextDocument &document, const FullTextDocument &text, const QStringList &words)
{
    document.clear();
    QTextCursor cursor(&document);
    cursor.insertText(text.title, sized(1.6, true));
    if (!text.authors.isEmpty())
        paragraph(cursor, text.authors.join(QStringLiteral(", ")), sized(1.0, false, true));
    // A part's title once, before its first passage, unless that passage is a heading of its own.
    QSet<TextSection> shown{TextSection::Title, TextSection::Other};
    for (const TextPassage &passage : text.passages) {
        if (!shown.contains(passage.section) && passage.kind != TextPassage::Kind::Heading)
            paragraph(cursor, TextSections::title(passage.section), sized(1.3, true));
        shown.insert(passage.section);
        paragraph(cursor, passage.text,
                  passage.kind == TextPassage::Kind::Heading ? sized(1.3, true)
                  : passage.kind == TextPassage::Kind::Caption ? sized(0.9, false, true)
                                                               : sized(1.0, false));
    }
    if (!text.references.isEmpty()) {
        paragraph(cursor, TextSections::title(TextSection::References), sized(1.3, true));
        QTextListFormat numbered;
        numbered.setStyle(QTextListFormat::ListDecimal);
        cursor.insertList(numbered);
        for (qsizetype i = 0; i < text.references.size(); ++i) {
            const TextReference &reference = text.references.at(i);
            if (i > 0)
                cursor.insertBlock();
            cursor.insertText(reference.text, sized(1.0, false));
            if (!reference.pmid.isEmpty()) {
                QTextCharFormat link = sized(1.0, false);
                link.setAnchor(true);
                link.setAnchorHref(kPmidScheme + reference.pmid);
                link.setForeground(QColor(0, 0, 238));
                link.setFontUnderline(true);
                cursor.insertText(QStringLiteral(" "), sized(1.0, false));
                cursor.insertText(QStringLiteral("PMID ") + reference.pmid, link);
            }
        }
    }
    mark(document, words);
}
