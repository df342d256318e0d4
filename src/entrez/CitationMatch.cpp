#include "entrez/CitationMatch.h"

#include "entrez/Pmid.h"

#include <QRegularExpression>

QString citationMatchLine(const CitationParts &parts)
{
    static const QRegularExpression separators(QStringLiteral("[|\\r\\n]+"));
    QString line;
    for (const QString *part : {&parts.journal, &parts.year, &parts.volume, &parts.firstPage, &parts.author, &parts.key})
        line += QString(*part).replace(separators, QStringLiteral(" ")).simplified().toLower() + QLatin1Char('|');
    return line;
}

CitationMatchAnswer citationMatchAnswerFrom(const QByteArray &body)
{
    CitationMatchAnswer answer;
    for (const QByteArray &rawLine : body.split('\n')) {
        const QStringList fields = QString::fromUtf8(rawLine).trimmed().split(QLatin1Char('|'));
        if (fields.size() != 7)
            continue;
        CitationMatchResult result;
        result.key = fields.at(5);
        const QString found = fields.at(6).trimmed();
        if (isPmid(found.toStdString()))
            result.pmid = found;
        result.ambiguous = found.startsWith(QLatin1String("AMBIGUOUS"));
        answer.results.append(result);
    }
    if (answer.results.isEmpty() && !body.trimmed().isEmpty())
        answer.error = QStringLiteral("the answer is not ECitMatch's");
    return answer;
}
