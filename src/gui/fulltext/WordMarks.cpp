#include "gui/fulltext/WordMarks.h"

QRegularExpression WordMarks::pattern(const QString &word)
{
    if (word.size() < 2)
        return {};
    return QRegularExpression(QStringLiteral("\\b%1").arg(QRegularExpression::escape(word)),
                              QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
}

QList<WordMarks::Span> WordMarks::find(const QString &text, const QStringList &words)
{
    QList<Span> spans;
    for (const QString &word : words) {
        const QRegularExpression wordPattern = pattern(word);
        if (wordPattern.pattern().isEmpty())
            continue;
        for (const QRegularExpressionMatch &match : wordPattern.globalMatch(text))
            spans.append({match.capturedStart(), match.capturedLength()});
    }
    return spans;
}
