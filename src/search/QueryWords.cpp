#include "search/QueryWords.h"

#include <QRegularExpression>

namespace {

bool isSearchable(const QString &word)
{
    static const QStringList operators{QStringLiteral("AND"), QStringLiteral("OR"), QStringLiteral("NOT")};
    // A range such as 2015:2020 or a bare number is no word of the text.
    static const QRegularExpression numbers(QStringLiteral("^[\\d:/.-]+$"));
    return !word.isEmpty() && !operators.contains(word) && !numbers.match(word).hasMatch();
}

} // namespace

QStringList queryWords(const QString &query)
{
    // A quoted phrase, or a run of anything but blanks, brackets, parentheses and quotes; a field tag follows either.
    static const QRegularExpression token(QStringLiteral("\"([^\"]*)\"|([^\\s\\[\\]()\"]+)|\\[[^\\]]*\\]"));
    QStringList words;
    for (QRegularExpressionMatchIterator it = token.globalMatch(query); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        QString word = (match.hasCaptured(1) ? match.captured(1) : match.captured(2)).simplified();
        word.remove(QLatin1Char('*'));
        if (isSearchable(word) && !words.contains(word, Qt::CaseInsensitive))
            words.append(word);
    }
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
