#include "search/QueryWords.h"

#include <QRegularExpression>
#include <QSet>

namespace {

bool isSearchable(const QString &word)
{
    // A range such as 2015:2020 or a bare number is no word of the text.
    static const QRegularExpression numbers(QStringLiteral("^[\\d:/.-]+$"));
    return !word.isEmpty() && !numbers.match(word).hasMatch();
}

bool isOperator(const QString &word)
{
    return word == QLatin1String("AND") || word == QLatin1String("OR") || word == QLatin1String("NOT");
}

// Words PubMed leaves out of a query unless quoted.
bool isStopword(const QString &word)
{
    static const QSet<QString> stopwords = [] {
        const QStringList words = QStringLiteral("a an and are as at be by for from in into is it its of on or that the "
                                                 "their these this to was were which with")
                                      .split(QLatin1Char(' '));
        return QSet<QString>(words.cbegin(), words.cend());
    }();
    return stopwords.contains(word.toLower());
}

// A field that filters the articles rather than naming words of their text.
bool isFilterTag(const QString &tag)
{
    static const QStringList filters{QStringLiteral("pt"), QStringLiteral("publication type"), QStringLiteral("la"),
                                     QStringLiteral("language"), QStringLiteral("sb"), QStringLiteral("subset"),
                                     QStringLiteral("filter"), QStringLiteral("dp"), QStringLiteral("pdat"),
                                     QStringLiteral("edat"), QStringLiteral("crdt")};
    return filters.contains(tag.mid(1, tag.size() - 2).trimmed().toLower());
}

} // namespace

QStringList queryWords(const QString &query)
{
    // A quoted phrase, a field tag, a parenthesis, or a run of anything else
    // but blanks. A tag names the field of the words since the last operator
    // or parenthesis; what NOT leaves out, and a filter's words, are not
    // looked for in the articles.
    static const QRegularExpression token(QStringLiteral("\"([^\"]*)\"|(\\[[^\\]]*\\])|([()])|([^\\s\\[\\]()\"]+)"));
    QStringList words;
    QStringList pending;
    int notDepth = -1; // the parenthesis depth of a NOT's operand, while in it
    int depth = 0;
    bool afterNot = false;
    const auto flush = [&] {
        for (const QString &word : std::as_const(pending)) {
            if (notDepth < 0 && !words.contains(word, Qt::CaseInsensitive))
                words.append(word);
        }
        pending.clear();
        if (notDepth >= 0 && depth <= notDepth)
            notDepth = -1;
    };
    for (QRegularExpressionMatchIterator it = token.globalMatch(query); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        if (match.hasCaptured(2)) {
            if (isFilterTag(match.captured(2)))
                pending.clear();
            continue;
        }
        if (match.hasCaptured(3)) {
            flush();
            depth += match.captured(3) == QLatin1String("(") ? 1 : -1;
            if (afterNot && match.captured(3) == QLatin1String("("))
                notDepth = depth - 1;
            afterNot = false;
            continue;
        }
        const QString text = (match.hasCaptured(1) ? match.captured(1) : match.captured(4)).simplified();
        if (!match.hasCaptured(1) && isOperator(text)) {
            flush();
            afterNot = text == QLatin1String("NOT");
            if (afterNot)
                notDepth = depth;
            continue;
        }
        afterNot = false;
        QString word = text;
        word.remove(QLatin1Char('*'));
        if (isSearchable(word) && (match.hasCaptured(1) || !isStopword(word)))
            pending.append(word);
    }
    flush();
    return words;
}

QStringList wordsLookedFor(const SearchSource &source)
{
    switch (source.kind) {
    case SearchSource::Kind::Query:
        return queryWords(source.query);
    case SearchSource::Kind::Stored:
        return queryWords(source.searched);
    case SearchSource::Kind::None:
    case SearchSource::Kind::Links:
    case SearchSource::Kind::List:
        break;
    }
    return {};
}
