#include "search/QueryDetails.h"

#include <QStringList>

namespace {

// The remark a kind of error or warning stands for; an unknown kind is named as the answer names it.
QString remarkFor(const QString &kind)
{
    static const QList<std::pair<QString, QString>> remarks{
        {QueryNotice::PhraseNotFound, QStringLiteral("PubMed found nothing for")},
        {QStringLiteral("FieldNotFound"), QStringLiteral("unknown field")},
        {QStringLiteral("PhraseIgnored"), QStringLiteral("ignored")},
        {QStringLiteral("QuotedPhraseNotFound"), QStringLiteral("quoted phrase not found")},
    };
    for (const auto &[known, remark] : remarks) {
        if (kind == known)
            return remark;
    }
    return kind;
}

// The service's own output messages repeat what the count already says.
bool restatesTheCount(const QueryNotice &notice)
{
    return notice.kind == QLatin1String("OutputMessage");
}

// "remark: a, b" for each kind, in the order the kinds first appear.
QStringList groupedRemarks(const QList<QueryNotice> &notices)
{
    QStringList kinds;
    QList<QStringList> texts;
    for (const QueryNotice &notice : notices) {
        if (restatesTheCount(notice) || notice.text.isEmpty())
            continue;
        qsizetype at = kinds.indexOf(notice.kind);
        if (at < 0) {
            at = kinds.size();
            kinds.append(notice.kind);
            texts.append(QStringList());
        }
        texts[at].append(notice.text);
    }
    QStringList parts;
    for (qsizetype i = 0; i < kinds.size(); ++i)
        parts.append(remarkFor(kinds.at(i)) + QLatin1String(": ") + texts.at(i).join(QLatin1String(", ")));
    return parts;
}

void appendLine(QString &text, const QString &name, const QString &value)
{
    text += name + QLatin1String(": ") + value + QLatin1Char('\n');
}

void appendNotices(QString &text, const QString &name, const QList<QueryNotice> &notices)
{
    for (const QueryNotice &notice : notices)
        appendLine(text, name, remarkFor(notice.kind) + QLatin1String(": ") + notice.text);
}

} // namespace

namespace QueryDetails {

QString summary(const SearchResult &answer)
{
    return groupedRemarks(answer.errors + answer.warnings).join(QLatin1String("; "));
}

QString explanation(const QString &query, const SearchResult &answer, const QString &effectiveQuery)
{
    QString text;
    appendLine(text, QStringLiteral("Query"), query.trimmed());
    if (!effectiveQuery.isEmpty() && effectiveQuery != query.trimmed())
        appendLine(text, QStringLiteral("Effective query"), effectiveQuery);
    if (!answer.translation.isEmpty())
        appendLine(text, QStringLiteral("Translation"), answer.translation);
    for (const TermExpansion &expansion : answer.expansions)
        appendLine(text, QStringLiteral("Expansion"), expansion.from + QStringLiteral(" \u2192 ") + expansion.to);
    for (const TermCount &term : answer.termCounts)
        appendLine(text, QStringLiteral("Term count"), term.term + QLatin1String(": ") + term.count);
    appendNotices(text, QStringLiteral("Error"), answer.errors);
    appendNotices(text, QStringLiteral("Warning"), answer.warnings);
    appendLine(text, QStringLiteral("Count"), answer.totalCount);
    return text;
}

} // namespace QueryDetails
