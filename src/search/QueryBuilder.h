#pragma once

#include <QList>
#include <QString>

// PubMed query syntax written from fields and terms, as an expert searcher
// would type it, so that nobody has to remember a tag.
namespace QueryBuilder {

enum class Field {
    AllFields,
    Title,
    TitleAbstract,
    TextWord,
    Author,
    FirstAuthor,
    LastAuthor,
    Affiliation,
    Journal,
    MeshTerms,
    MeshMajorTopic,
    MeshSubheading,
    PublicationType,
    Language,
    PublicationDate,
    EntryDate,
    Pmid,
};

enum class Operator { And, Or, Not };

// One row of the builder: how it joins the rows above it, its field and
// term; a date field takes a range, `term` to `termTo` (either end open).
struct Row
{
    Operator op = Operator::And;
    Field field = Field::AllFields;
    QString term;
    QString termTo = {};
};

QList<Field> fields();
// "Title/Abstract": what the window offers.
QString label(Field field);
// Whether the field takes a range of dates.
bool isDateRange(Field field);
QString operatorName(Operator op);

// One row's syntax without its operator: the term with its tag, a phrase or a
// term with brackets in quotes ("heart attack"[ti]); a history reference
// (#3) as it is; a date range as from:to[dp]; PMIDs each with [pmid]; All
// Fields as typed, so that PubMed maps it to MeSH. Empty for a blank row or
// a date that is not yyyy, yyyy/mm or yyyy/mm/dd.
QString clause(const Row &row);
// Whether a row with a term writes a clause (a date range may not).
bool isValid(const Row &row);
// The rows joined left to right, as PubMed reads them; a change of operator
// puts what came before in parentheses. Blank rows are left out; the first
// row's operator is not used.
QString query(const QList<Row> &rows);
// `right` joined to `left` with `op`; `left` in parentheses when it holds an
// operator of its own. Just `right` when `left` is blank.
QString combine(const QString &left, Operator op, const QString &right);

// How a MeSH heading enters a query.
enum class MeshTag { Heading, MajorTopic, NoExplode };
// "Asthma"[mh], "Asthma"[majr], "Asthma/therapy"[mh], "Asthma"[mh:noexp].
QString meshClause(const QString &heading, MeshTag tag, const QString &subheading = {});

} // namespace QueryBuilder
