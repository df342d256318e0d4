#include "Reference.h"

#include "citations/StyledText.h"
#include "entrez/ArticleRecord.h"

#include <QRegularExpression>

#include <array>

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

QString monthAbbreviation(int month)
{
    return month >= 1 && month <= 12 ? QString::fromLatin1(kMonths[size_t(month - 1)]) : QString();
}

Reference referenceForArticle(const ArticleRecord &article)
{
    using Key = ArticleRecord::Key;
    Reference reference;
    const QStringList foreNames = article.list(Key::ForeNames);
    for (qsizetype i = 0; i < article.authorCount(); ++i) {
        const AuthorEntry author = article.author(i);
        reference.authors.append({author.lastname, foreNames.value(i), author.initials, author.collective});
    }
    switch (article.kind()) {
    case ArticleRecord::Kind::JournalArticle: reference.kind = Reference::Kind::JournalArticle; break;
    case ArticleRecord::Kind::BookChapter: reference.kind = Reference::Kind::BookChapter; break;
    case ArticleRecord::Kind::Book: reference.kind = Reference::Kind::Book; break;
    }
    reference.containerTitle = article.text(Key::JournalTitle);
    reference.month = article.text(Key::Month);
    reference.pmcid = article.text(Key::Pmcid);
    reference.issn = article.text(Key::Issn);
    reference.language = article.text(Key::Language);
    reference.publisher = article.text(Key::Publisher);
    reference.retracted = !article.text(Key::Retracted).isEmpty();
    reference.publicationTypes = article.list(Key::PublicationTypes);
    reference.mesh = article.list(Key::Mesh);
    reference.keywords = article.list(Key::Keywords);
    reference.title = article.text(Key::Title);
    reference.styledTitle = styledText(article, Key::Title);
    reference.journalAbbreviation = article.text(Key::Journal);
    reference.date = article.text(Key::Year);
    reference.volume = article.text(Key::Volume);
    reference.issue = article.text(Key::Issue);
    reference.pages = article.text(Key::Pages);
    reference.abstract = article.text(Key::Abstract);
    reference.doi = article.text(Key::Doi);
    reference.pmid = article.text(Key::PMID);
    return reference;
}
