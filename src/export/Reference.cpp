#include "Reference.h"

#include "citations/PlainWriter.h"
#include "citations/StyledText.h"
#include "entrez/ArticleRecord.h"
#include "export/ExportText.h"

#include <QRegularExpression>

#include <array>
#include <utility>

namespace {
constexpr std::array<const char *, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                  "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

int monthFromText(const QString &text)
{
    bool numeric = false;
    const int number = text.toInt(&numeric);
    if (numeric)
        return number >= 1 && number <= 12 ? number : 0;
    const QStringView head = QStringView(text).left(3);
    for (size_t i = 0; i < kMonths.size(); ++i) {
        if (head.compare(QLatin1StringView(kMonths[i]), Qt::CaseInsensitive) == 0)
            return int(i) + 1;
    }
    return 0;
}
} // namespace

QString Reference::year() const
{
    static const QRegularExpression fourDigits(QStringLiteral("(?<!\\d)\\d{4}(?!\\d)"));
    return fourDigits.match(date).captured();
}

int Reference::monthNumber() const
{
    if (!month.isEmpty())
        return monthFromText(month);
    // A MedlineDate such as "2016 Jul-Sep" names its first month after the year.
    static const QRegularExpression firstMonth(QStringLiteral("^\\d{4}\\s+([A-Za-z]{3})"));
    const QRegularExpressionMatch match = firstMonth.match(date);
    return match.hasMatch() ? monthFromText(match.captured(1)) : 0;
}

namespace {
// "Year Mon Day" with as much as is known, the day without a leading zero.
QString dateText(const QString &year, int month, const QString &day)
{
    QString text = year;
    if (month == 0)
        return text;
    text += QLatin1Char(' ') + monthAbbreviation(month);
    const int dayNumber = day.toInt();
    return dayNumber > 0 ? text + QLatin1Char(' ') + QString::number(dayNumber) : text;
}
} // namespace

QString Reference::medlineDate() const
{
    const QString text = singleLine(date);
    // A MedlineDate already says all there is; it never gets a month added.
    return text != year() ? text : dateText(text, monthNumber(), day);
}

QString Reference::medlineEpubDate() const
{
    const QStringList parts = epubDate.split(QLatin1Char('-'));
    return parts.first().isEmpty() ? QString() : dateText(parts.first(), monthFromText(parts.value(1)), parts.value(2));
}

QStringList Reference::issnNumbers() const
{
    QStringList numbers;
    for (const QString &issn : this->issn) {
        const QString number = issn.section(QLatin1Char(' '), 0, 0);
        if (!number.isEmpty() && !numbers.contains(number))
            numbers << number;
    }
    return numbers;
}

QString monthAbbreviation(int month)
{
    return month >= 1 && month <= 12 ? QString::fromLatin1(kMonths[size_t(month - 1)]) : QString();
}

Reference referenceForArticle(const ArticleRecord &article)
{
    using Key = ArticleRecord::Key;
    // Which key of the record fills each field of the reference.
    static constexpr std::pair<QString Reference::*, Key> kTexts[] = {
        {&Reference::containerTitle, Key::JournalTitle},
        {&Reference::journalAbbreviation, Key::Journal},
        {&Reference::date, Key::Year},
        {&Reference::month, Key::Month},
        {&Reference::volume, Key::Volume},
        {&Reference::issue, Key::Issue},
        {&Reference::pages, Key::Pages},
        {&Reference::doi, Key::Doi},
        {&Reference::pmid, Key::PMID},
        {&Reference::pmcid, Key::Pmcid},
        {&Reference::publisher, Key::Publisher},
        {&Reference::retractionIn, Key::RetractionIn},
        {&Reference::day, Key::Day},
        {&Reference::vernacularTitle, Key::VernacularTitle},
        {&Reference::epubDate, Key::EpubDate},
        {&Reference::publicationModel, Key::PublicationModel},
    };
    static constexpr std::pair<QStringList Reference::*, Key> kLists[] = {
        {&Reference::publicationTypes, Key::PublicationTypes},
        {&Reference::mesh, Key::Mesh},
        {&Reference::keywords, Key::Keywords},
        {&Reference::issn, Key::Issn},
        {&Reference::language, Key::Language},
        {&Reference::elocationIds, Key::ElocationIds},
        {&Reference::articleIds, Key::ArticleIds},
        {&Reference::abstractLabels, Key::AbstractLabels},
    };

    Reference reference;
    for (const auto &[field, key] : kTexts)
        reference.*field = article.text(key);
    for (const auto &[field, key] : kLists)
        reference.*field = article.list(key);
    reference.styledTitle = styledText(article, Key::Title);
    // The plain texts keep what their superscripts mean.
    reference.title = PlainWriter::write(reference.styledTitle);
    reference.abstract = PlainWriter::write(styledText(article, Key::Abstract));
    reference.retracted = !article.text(Key::Retracted).isEmpty();
    switch (article.kind()) {
    case ArticleRecord::Kind::JournalArticle: reference.kind = Reference::Kind::JournalArticle; break;
    case ArticleRecord::Kind::BookChapter: reference.kind = Reference::Kind::BookChapter; break;
    case ArticleRecord::Kind::Book: reference.kind = Reference::Kind::Book; break;
    }
    const QStringList foreNames = article.list(Key::ForeNames);
    for (qsizetype i = 0; i < article.authorCount(); ++i) {
        const AuthorEntry author = article.author(i);
        reference.authors.append({author.lastname, foreNames.value(i), author.initials, author.collective, author.suffix});
    }
    return reference;
}
