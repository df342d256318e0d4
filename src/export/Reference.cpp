#include "Reference.h"

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
    for (const AuthorEntry &author : article.authors())
        reference.authors.append({author.lastname, QString(), author.initials, false});
    reference.title = article.text(Key::Title);
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
