#include "search/QueryBuilder.h"

#include <QRegularExpression>
#include <QStringList>

#include <array>

namespace QueryBuilder {

namespace {

struct FieldRow
{
    Field field;
    const char *label;
    const char *tag; // empty: no tag
};

constexpr std::array<FieldRow, 17> kFields{{
    {Field::AllFields, "All Fields", ""},
    {Field::Title, "Title", "ti"},
    {Field::TitleAbstract, "Title/Abstract", "tiab"},
    {Field::TextWord, "Text Word", "tw"},
    {Field::Author, "Author", "au"},
    {Field::FirstAuthor, "First Author", "1au"},
    {Field::LastAuthor, "Last Author", "lastau"},
    {Field::Affiliation, "Affiliation", "ad"},
    {Field::Journal, "Journal", "ta"},
    {Field::MeshTerms, "MeSH Terms", "mh"},
    {Field::MeshMajorTopic, "MeSH Major Topic", "majr"},
    {Field::MeshSubheading, "MeSH Subheading", "sh"},
    {Field::PublicationType, "Publication Type", "pt"},
    {Field::Language, "Language", "la"},
    {Field::PublicationDate, "Publication Date", "dp"},
    {Field::EntryDate, "Entry Date", "edat"},
    {Field::Pmid, "PMID", "pmid"},
}};

const FieldRow &rowOf(Field field)
{
    for (const FieldRow &row : kFields) {
        if (row.field == field)
            return row;
    }
    return kFields.front();
}

// PubMed's own open ends of a date range.
const QString kFirstDate = QStringLiteral("1000");
const QString kLastDate = QStringLiteral("3000");

bool isHistoryReference(const QString &term)
{
    static const QRegularExpression reference(QStringLiteral("^#\\d+$"));
    return reference.match(term).hasMatch();
}

bool isDate(const QString &text)
{
    static const QRegularExpression date(QStringLiteral("^\\d{4}(/\\d{1,2}(/\\d{1,2})?)?$"));
    return date.match(text).hasMatch();
}

// Author names are phrases already, and left unquoted keep PubMed's
// truncation of their initials ("smith j" finds "Smith JA").
bool isAuthorField(Field field)
{
    return field == Field::Author || field == Field::FirstAuthor || field == Field::LastAuthor;
}

// A term PubMed would split or misread unquoted: a phrase, or one holding
// brackets, parentheses or other punctuation of the query syntax.
bool needsQuotes(const QString &term, Field field)
{
    static const QRegularExpression syntax(QStringLiteral("[\\[\\]():#&|,;]"));
    if (term.contains(syntax))
        return true;
    return !isAuthorField(field) && term.contains(QLatin1Char(' '));
}

QString taggedTerm(QString term, Field field)
{
    // A term quoted by the user is taken as it is; a quote inside cannot be
    // escaped in PubMed's syntax and goes.
    term.remove(QLatin1Char('"'));
    term = term.simplified();
    if (term.isEmpty())
        return {};
    if (needsQuotes(term, field))
        term = QLatin1Char('"') + term + QLatin1Char('"');
    return term + QLatin1Char('[') + QLatin1String(rowOf(field).tag) + QLatin1Char(']');
}

QString dateRange(const Row &row)
{
    const QString from = row.term.trimmed();
    const QString to = row.termTo.trimmed();
    if ((from.isEmpty() && to.isEmpty()) || (!from.isEmpty() && !isDate(from)) || (!to.isEmpty() && !isDate(to)))
        return {};
    return (from.isEmpty() ? kFirstDate : from) + QLatin1Char(':') + (to.isEmpty() ? kLastDate : to)
        + QLatin1Char('[') + QLatin1String(rowOf(row.field).tag) + QLatin1Char(']');
}

QString pmids(const QString &term)
{
    QStringList clauses;
    for (const QString &pmid : term.split(QRegularExpression(QStringLiteral("[\\s,;]+")), Qt::SkipEmptyParts))
        clauses.append(taggedTerm(pmid, Field::Pmid));
    if (clauses.size() < 2)
        return clauses.value(0);
    return QLatin1Char('(') + clauses.join(QLatin1String(" OR ")) + QLatin1Char(')');
}

// Whether a clause holds an operator outside quotes and parentheses.
bool hasOwnOperator(const QString &clause)
{
    int depth = 0;
    bool quoted = false;
    const QStringList words = clause.split(QLatin1Char(' '));
    for (const QString &word : words) {
        if (!quoted && depth == 0 && (word == QLatin1String("AND") || word == QLatin1String("OR") || word == QLatin1String("NOT")))
            return true;
        for (const QChar c : word) {
            if (c == QLatin1Char('"'))
                quoted = !quoted;
            else if (!quoted && c == QLatin1Char('('))
                ++depth;
            else if (!quoted && c == QLatin1Char(')'))
                --depth;
        }
    }
    return false;
}

} // namespace

QList<Field> fields()
{
    QList<Field> list;
    for (const FieldRow &row : kFields)
        list.append(row.field);
    return list;
}

QString label(Field field)
{
    return QLatin1String(rowOf(field).label);
}

bool isDateRange(Field field)
{
    return field == Field::PublicationDate || field == Field::EntryDate;
}

QString operatorName(Operator op)
{
    switch (op) {
    case Operator::And:
        return QStringLiteral("AND");
    case Operator::Or:
        return QStringLiteral("OR");
    case Operator::Not:
        return QStringLiteral("NOT");
    }
    return {};
}

QString clause(const Row &row)
{
    const QString term = row.term.trimmed();
    if (isDateRange(row.field))
        return dateRange(row);
    if (isHistoryReference(term))
        return term;
    if (row.field == Field::Pmid)
        return pmids(term);
    if (row.field == Field::AllFields)
        return hasOwnOperator(term) ? QLatin1Char('(') + term + QLatin1Char(')') : term;
    return taggedTerm(term, row.field);
}

bool isValid(const Row &row)
{
    const bool blank = row.term.trimmed().isEmpty() && row.termTo.trimmed().isEmpty();
    return blank || !clause(row).isEmpty();
}

QString query(const QList<Row> &rows)
{
    QString text;
    bool joined = false;
    Operator last = Operator::And;
    for (const Row &row : rows) {
        const QString part = clause(row);
        if (part.isEmpty())
            continue;
        if (text.isEmpty()) {
            text = part;
            continue;
        }
        if (joined && row.op != last)
            text = QLatin1Char('(') + text + QLatin1Char(')');
        text += QLatin1Char(' ') + operatorName(row.op) + QLatin1Char(' ') + part;
        joined = true;
        last = row.op;
    }
    return text;
}

QString combine(const QString &left, Operator op, const QString &right)
{
    const QString trimmed = left.trimmed();
    if (trimmed.isEmpty())
        return right;
    const QString first = hasOwnOperator(trimmed) ? QLatin1Char('(') + trimmed + QLatin1Char(')') : trimmed;
    return first + QLatin1Char(' ') + operatorName(op) + QLatin1Char(' ') + right;
}

QString meshClause(const QString &heading, MeshTag tag, const QString &subheading)
{
    QString term = QString(heading).remove(QLatin1Char('"')).simplified();
    if (const QString sub = QString(subheading).remove(QLatin1Char('"')).simplified(); !sub.isEmpty())
        term += QLatin1Char('/') + sub;
    const char *suffix = tag == MeshTag::MajorTopic ? "majr" : tag == MeshTag::NoExplode ? "mh:noexp" : "mh";
    return QLatin1Char('"') + term + QLatin1String("\"[") + QLatin1String(suffix) + QLatin1Char(']');
}

} // namespace QueryBuilder
