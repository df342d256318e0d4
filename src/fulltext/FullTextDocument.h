#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The parts of an article's text, each a column of the library's full-text
// index, so that a search can be narrowed to one ("methods:").
enum class TextSection { Title, Abstract, Introduction, Methods, Results, Discussion, Conclusions, Captions, References, Other };

namespace TextSections {
QList<TextSection> all();
// "title", "abstract", "introduction", "methods", ...: the index's column names.
QString name(TextSection section);
std::optional<TextSection> named(const QString &name);
// What a reader shows above the part when the text gives no heading of its own.
QString title(TextSection section);
} // namespace TextSections

// One piece of an article's text: a heading, a paragraph or a figure's or
// table's caption, with the part it belongs to.
struct TextPassage
{
    enum class Kind { Heading, Paragraph, Caption };
    TextSection section = TextSection::Other;
    Kind kind = Kind::Paragraph;
    QString text = {};
};

// An entry of the reference list; the PMID and DOI when the text gives them.
struct TextReference
{
    QString text = {};
    QString pmid = {};
    QString doi = {};
};

// An article's full text as read from its open-access source: plain text
// only, never markup, so that it can be shown and searched safely whatever
// the source held. Its size is bounded (see limits in the .cpp): a passage
// or a list beyond them is cut, not held.
struct FullTextDocument
{
    QString pmid = {};
    QString pmcid = {};
    QString doi = {};
    QString title = {};
    QStringList authors = {};
    QString licence = {};
    QList<TextPassage> passages = {};
    QList<TextReference> references = {};

    bool isEmpty() const { return passages.isEmpty() && title.isEmpty(); }
    // Adds a passage, cut to the limits; false once the document is full.
    bool append(TextPassage passage);
    void appendReference(TextReference reference);

    // The text of each part, passages joined by blank lines, in the order of
    // TextSections::all(); the title's part holds the title.
    QStringList sectionTexts() const;
    // The whole text as plain text, part by part under their titles.
    QString plainText() const;
    // The PMIDs of the reference list, in order, each once.
    QStringList referencePmids() const;

    // The form the library keeps it in, and back; none for anything else.
    QByteArray toJson() const;
    static std::optional<FullTextDocument> fromJson(const QByteArray &json);
};
