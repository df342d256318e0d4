#include "references/ReferenceQuery.h"

#include <QRegularExpression>
#include <QSet>

#include <algorithm>

namespace {

// PubMed's stop words that occur in titles: it ignores them in a search.
const QSet<QString> &stopWords()
{
    static const QSet<QString> words{
        QStringLiteral("about"),   QStringLiteral("after"),   QStringLiteral("again"),   QStringLiteral("all"),
        QStringLiteral("also"),    QStringLiteral("among"),   QStringLiteral("and"),     QStringLiteral("another"),
        QStringLiteral("any"),     QStringLiteral("are"),     QStringLiteral("because"), QStringLiteral("been"),
        QStringLiteral("before"),  QStringLiteral("being"),   QStringLiteral("between"), QStringLiteral("both"),
        QStringLiteral("but"),     QStringLiteral("can"),     QStringLiteral("could"),   QStringLiteral("did"),
        QStringLiteral("does"),    QStringLiteral("done"),    QStringLiteral("due"),     QStringLiteral("during"),
        QStringLiteral("each"),    QStringLiteral("for"),     QStringLiteral("found"),   QStringLiteral("from"),
        QStringLiteral("further"), QStringLiteral("had"),     QStringLiteral("has"),     QStringLiteral("have"),
        QStringLiteral("how"),     QStringLiteral("however"), QStringLiteral("into"),    QStringLiteral("its"),
        QStringLiteral("made"),    QStringLiteral("may"),     QStringLiteral("might"),   QStringLiteral("most"),
        QStringLiteral("must"),    QStringLiteral("not"),     QStringLiteral("often"),   QStringLiteral("our"),
        QStringLiteral("over"),    QStringLiteral("should"),  QStringLiteral("show"),    QStringLiteral("shows"),
        QStringLiteral("since"),   QStringLiteral("some"),    QStringLiteral("such"),    QStringLiteral("than"),
        QStringLiteral("that"),    QStringLiteral("the"),     QStringLiteral("their"),   QStringLiteral("them"),
        QStringLiteral("then"),    QStringLiteral("there"),   QStringLiteral("these"),   QStringLiteral("they"),
        QStringLiteral("this"),    QStringLiteral("those"),   QStringLiteral("through"), QStringLiteral("thus"),
        QStringLiteral("upon"),    QStringLiteral("use"),     QStringLiteral("used"),    QStringLiteral("using"),
        QStringLiteral("very"),    QStringLiteral("was"),     QStringLiteral("were"),    QStringLiteral("what"),
        QStringLiteral("when"),    QStringLiteral("which"),   QStringLiteral("while"),   QStringLiteral("with"),
        QStringLiteral("within"),  QStringLiteral("without"), QStringLiteral("would"),
    };
    return words;
}

// Enough title words to tell one article from others.
constexpr qsizetype kMaxTitleWords = 8;
constexpr qsizetype kWordsPerHalf = 3;

QString quotedField(const QString &value, const char *field)
{
    return QLatin1Char('"') + value + QLatin1String("\"[") + QLatin1String(field) + QLatin1Char(']');
}

QString allOf(const QStringList &words)
{
    QStringList terms;
    for (const QString &word : words)
        terms.append(word + QLatin1String("[ti]"));
    return QLatin1Char('(') + terms.join(QLatin1String(" AND ")) + QLatin1Char(')');
}

// "smith j": the surname in letters, spaces, hyphens and apostrophes, and the first initial.
QString authorTerm(const ParsedReference &reference)
{
    QString surname = withoutAccents(reference.surname).toLower();
    surname.remove(QRegularExpression(QStringLiteral("[^\\p{L} '\\-]"), QRegularExpression::UseUnicodePropertiesOption));
    surname = surname.simplified();
    if (surname.isEmpty())
        return {};
    const QString initial = withoutAccents(reference.initials.left(1)).toLower();
    return initial.isEmpty() || !initial.at(0).isLetter() ? surname : surname + QLatin1Char(' ') + initial;
}

bool isDigits(const QString &text)
{
    return !text.isEmpty() && std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.isDigit(); });
}

bool isPage(const QString &text)
{
    static const QRegularExpression page(QStringLiteral("^[A-Za-z]{0,2}\\d{1,7}[A-Za-z]?$"));
    return page.match(text).hasMatch();
}

} // namespace

bool canMatchCitation(const ParsedReference &reference)
{
    return !reference.inBook && !reference.journal.isEmpty() && !reference.year.isEmpty()
           && (!reference.volume.isEmpty() || !reference.firstPage.isEmpty());
}

CitationParts citationPartsOf(const ParsedReference &reference, const QString &key)
{
    CitationParts parts;
    parts.journal = withoutAccents(reference.journal).replace(QLatin1Char('.'), QLatin1Char(' ')).simplified();
    parts.year = reference.year;
    parts.volume = reference.volume;
    parts.firstPage = reference.firstPage;
    parts.author = authorTerm(reference);
    parts.key = key;
    return parts;
}

QStringList titleWordsOf(const QString &title)
{
    QStringList words;
    for (const QString &word : withoutAccents(title).toLower().split(QRegularExpression(QStringLiteral("[^a-z0-9]+")),
                                                                      Qt::SkipEmptyParts)) {
        if (word.size() >= 3 && !isDigits(word) && !stopWords().contains(word) && !words.contains(word))
            words.append(word);
    }
    std::stable_sort(words.begin(), words.end(), [](const QString &a, const QString &b) { return a.size() > b.size(); });
    return words.mid(0, kMaxTitleWords);
}

QString searchTermOf(const ParsedReference &reference)
{
    const QStringList words = titleWordsOf(reference.title);
    const QString author = authorTerm(reference);
    const bool dated = !reference.year.isEmpty();
    QStringList ways;
    if (!author.isEmpty() && (dated || words.size() >= 2 * kWordsPerHalf)) {
        // Every other word in each half, so that each holds long and short ones.
        QStringList halves[2];
        for (qsizetype i = 0; i < words.size(); ++i)
            halves[i % 2].append(words.at(i));
        if (halves[1].size() >= kWordsPerHalf)
            ways << allOf(halves[0]) << allOf(halves[1]);
        else if (words.size() >= kWordsPerHalf)
            ways << allOf(words);
        if (isDigits(reference.volume) && isPage(reference.firstPage))
            ways << QStringLiteral("(%1[vi] AND %2[pg])").arg(reference.volume, reference.firstPage);
    } else if (dated && words.size() >= kWordsPerHalf) {
        ways << allOf(words);
    }
    QString term;
    if (!ways.isEmpty()) {
        term = ways.size() == 1 ? ways.constFirst() : QLatin1Char('(') + ways.join(QLatin1String(" OR ")) + QLatin1Char(')');
        if (!author.isEmpty())
            term += QLatin1String(" AND ") + quotedField(author, "1au");
        if (dated) {
            const int year = reference.year.toInt();
            term += QStringLiteral(" AND %1:%2[dp]").arg(year - 1).arg(year + 1);
        }
    }
    static const QRegularExpression doi(QStringLiteral(R"(^10\.\d{4,9}/[^\s"\[\]]+$)"));
    if (doi.match(reference.doi).hasMatch())
        term = term.isEmpty() ? quotedField(reference.doi, "doi")
                              : QLatin1Char('(') + quotedField(reference.doi, "doi") + QLatin1String(" OR (") + term + QLatin1String("))");
    if (term.isEmpty())
        return {};
    return QLatin1Char('(') + term + QLatin1String(") NOT \"published erratum\"[pt]");
}
