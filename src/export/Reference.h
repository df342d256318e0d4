#pragma once

#include "citations/RichText.h"

#include <QList>
#include <QString>
#include <QStringList>

class ArticleRecord;

// One person or group credited as an author.
struct ReferenceAuthor
{
    // The family name of a person, or the whole name of a collective author.
    QString last;
    QString foreName;
    QString initials;
    bool collective = false;

    friend bool operator==(const ReferenceAuthor &, const ReferenceAuthor &) = default;
};

// What the export formats and citation styles know of one article, taken from
// its record once so that each writer reads plain fields. Missing data is
// empty text or an empty list, as in the record.
struct Reference
{
    enum class Kind { JournalArticle, BookChapter, Book };

    Kind kind = Kind::JournalArticle;
    QList<ReferenceAuthor> authors;
    QString title;
    // The title in its inline styles (italics, sub- and superscripts); the
    // styles of `title` only when its characters are those of `title`.
    RichText styledTitle;
    // The journal's full title, or the title of the book a chapter is in.
    QString containerTitle;
    // The journal's NLM abbreviation (MedlineTA).
    QString journalAbbreviation;
    // The year as PubMed gives it: four digits, or a free-form MedlineDate.
    QString date;
    QString month;
    QString volume;
    QString issue;
    // The pagination as PubMed writes it (MedlinePgn).
    QString pages;
    QString abstract;
    QString doi;
    QString pmid;
    QString pmcid;
    QString issn;
    QString language;
    QString publisher;
    bool retracted = false;
    // Where the retraction notice appeared, when the record names it.
    QString retractionIn;
    QStringList publicationTypes;
    QStringList mesh;
    QStringList keywords;

    // The first four-digit year of `date`; empty when it holds none.
    QString year() const;
    // 1 to 12 from `month` ("Mar", "March", "03", "3"), or from the first
    // month named in a MedlineDate; 0 when unknown.
    int monthNumber() const;
    bool isBookChapter() const { return kind == Kind::BookChapter; }
    bool isBook() const { return kind == Kind::Book; }

    friend bool operator==(const Reference &, const Reference &) = default;
};

Reference referenceForArticle(const ArticleRecord &article);

// "Jan" … "Dec"; empty outside 1–12.
QString monthAbbreviation(int month);
