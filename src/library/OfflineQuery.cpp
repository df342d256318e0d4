#include "library/OfflineQuery.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>

std::optional<QString> OfflineQuery::fromUserText(const QString &text)
{
    QStringList terms;
    for (QString word : text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts)) {
        const bool prefix = word.endsWith(QLatin1Char('*'));
        while (word.endsWith(QLatin1Char('*')))
            word.chop(1);
        // A term of punctuation alone would be an empty phrase; the tokenizer
        // drops such characters anyway.
        if (std::none_of(word.cbegin(), word.cend(), [](QChar c) { return c.isLetterOrNumber(); }))
            continue;
        word.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        terms.append(QLatin1Char('"') + word + QLatin1Char('"') + (prefix ? QStringLiteral("*") : QString()));
        if (terms.size() > kMaxWords)
            return std::nullopt;
    }
    return terms.join(QLatin1Char(' '));
}
