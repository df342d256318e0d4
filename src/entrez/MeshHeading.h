#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// One place of a heading in the MeSH tree: its tree number, the uid of the
// heading above it there, and the uids of those below it.
struct MeshTreePlace
{
    QString treeNumber;
    QString parent;
    QStringList children;
};

// One record of the MeSH vocabulary as ESummary (version 2.0) gives it: a
// descriptor (a heading articles are indexed with) or a supplementary
// concept, which is indexed under the headings it is mapped to.
struct MeshHeading
{
    QString uid;
    // The first of its terms; the others are its entry terms.
    QString name;
    QStringList entryTerms;
    QString scopeNote;
    // The subheadings allowed with it ("therapy", "diagnosis", ...).
    QStringList subheadings;
    QList<MeshTreePlace> tree;
    // For a supplementary concept, the uids of the headings it is indexed under.
    QStringList mappedTo;
    QString yearIntroduced;

    bool isSupplementary() const { return !mappedTo.isEmpty(); }
    // Every uid above or below it in the tree, each once.
    QStringList neighbours() const;
    // The term of the heading that `words` were found in: its name when every
    // word is in the name, else the first entry term holding every word, else
    // the name.
    QString matchedTerm(const QString &words) const;
};

// A whole answer: the records in answer order, and the service's <ERROR>.
struct MeshSummaryAnswer
{
    QList<MeshHeading> headings;
    QString error;
};

// Reads an ESummary answer of db=mesh: decoded as UTF-8, cleaned with the
// closing tag "</eSummaryResult>", then each DocumentSummary of its
// DocumentSummarySet. A record without a uid or a term is left out. No
// document, or another root, gives nothing.
std::optional<MeshSummaryAnswer> meshSummaryFromResponse(const QByteArray &body);
