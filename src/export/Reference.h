#pragma once

#include "citations/RichText.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class ArticleRecord;

// One person or group credited as an author.
struct ReferenceAuthor
{
    // The family name of a person, or the whole name of a collective author.
    QString last;
    QString foreName;
    QString initials;
    bool collective = false;
    QString suffix = {}; // "Jr", "2nd"

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
    // Plain, as PlainWriter writes it: "10(-19)" for a superscript.
    QString title;
    QString vernacularTitle;
    // The title in its inline styles (italics, sub- and superscripts); the
    // styles of `title` only when PlainWriter writes it as `title`.
    RichText styledTitle;
    // The journal's full title, or the title of the book a chapter is in.
    QString containerTitle;
    // The journal's NLM abbreviation (MedlineTA).
    QString journalAbbreviation;
    // The year as PubMed gives it: four digits, or a free-form MedlineDate.
    QString date;
    QString month;
    QString day;
    // The electronic publication date, "2017-05-02" or as much as is known.
    QString epubDate;
    // The Article's PubModel ("Print-Electronic", "Electronic-eCollection" …).
    QString publicationModel;
    QString volume;
    QString issue;
    // The pagination as PubMed writes it (MedlinePgn).
    QString pages;
    QString abstract;
    // One per paragraph of `abstract`: its label as the answer gives it
    // ("UNLABELLED" too, which `abstract` leaves out), "" for none.
    QStringList abstractLabels;
    QString doi;
    QString pmid;
    QString pmcid;
    // "1234-5678 (Print)", "… (Electronic)", "… (Linking)", as NCBI lists them.
    QStringList issn;
    QStringList language;
    QString publisher;
    bool retracted = false;
    // Where the retraction notice appeared, when the record names it.
    QString retractionIn;
    // Where a link set found the article ("Cited by PMID 31746150"); empty
    // for the articles of a search.
    QString foundAs;
    // How many PubMed articles cite it, its Relative Citation Ratio and NIH
    // percentile, when they were asked: the figure, or empty text while
    // unknown. Not asked: none.
    std::optional<QString> citedBy;
    std::optional<QString> rcr;
    std::optional<QString> nihPercentile;
    // The reader's own note on the article, kept in the library; empty for none.
    QString note;
    QStringList publicationTypes;
    // MEDLINE's form: "*Spinal Diseases/diagnostic imaging", "Abscess/*surgery".
    QStringList mesh;
    // "*word" for a major topic.
    QStringList keywords;
    // "10.1/x [doi]", "S0140-… [pii]": the ELocationIDs, then the ArticleIdList's.
    QStringList elocationIds;
    QStringList articleIds;

    // True when the issue is an electronic collection, dated by its e-publication.
    bool isElectronicCollection() const { return publicationModel == QLatin1String("Electronic-eCollection"); }
    // The first four-digit year of `date`; empty when it holds none.
    QString year() const;
    // 1 to 12 from `month` ("Mar", "March", "03", "3"), or from the first
    // month named in a MedlineDate; 0 when unknown.
    int monthNumber() const;
    // The publication date as MEDLINE's DP gives it: "2017 May 2", "2017
    // May", "2017", or a MedlineDate as it stands ("2016 Jul-Sep").
    QString medlineDate() const;
    // The e-publication date the same way ("2017 May 2"); empty when unknown.
    QString medlineEpubDate() const;
    // The ISSNs without their kinds, each once, in order.
    QStringList issnNumbers() const;
    bool isBookChapter() const { return kind == Kind::BookChapter; }
    bool isBook() const { return kind == Kind::Book; }

    friend bool operator==(const Reference &, const Reference &) = default;
};

Reference referenceForArticle(const ArticleRecord &article);

// "Jan" … "Dec"; empty outside 1–12.
QString monthAbbreviation(int month);
