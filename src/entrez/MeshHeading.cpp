#include "entrez/MeshHeading.h"

#include "common/Endpoints.h"
#include "entrez/ResponseCleanup.h"
#include "entrez/XmlText.h"

namespace {

QString textOf(pugi::xml_node node)
{
    return QString::fromStdString(stringValue(node)).simplified();
}

// The non-empty texts of the children named `name`.
QStringList textsOf(pugi::xml_node list, const char *name)
{
    QStringList texts;
    for (pugi::xml_node item : list.children(name)) {
        if (const QString text = textOf(item); !text.isEmpty())
            texts.append(text);
    }
    return texts;
}

MeshHeading headingOf(pugi::xml_node summary)
{
    MeshHeading heading;
    heading.uid = QString::fromUtf8(summary.attribute("uid").value()).trimmed();
    const QStringList terms = textsOf(summary.child("DS_MeshTerms"), "string");
    heading.name = terms.value(0);
    heading.entryTerms = terms.mid(1);
    heading.scopeNote = textOf(summary.child("DS_ScopeNote"));
    heading.subheadings = textsOf(summary.child("DS_Subheading"), "string");
    for (pugi::xml_node links : summary.child("DS_IdxLinks").children("LinksType"))
        heading.tree.append({textOf(links.child("TreeNum")), textOf(links.child("Parent")),
                             textsOf(links.child("Children"), "int")});
    heading.mappedTo = textsOf(summary.child("DS_HeadingMappedToList"), "int");
    heading.yearIntroduced = textOf(summary.child("DS_YearIntroduced"));
    return heading;
}

} // namespace

QStringList MeshHeading::neighbours() const
{
    QStringList uids;
    for (const MeshTreePlace &place : tree) {
        for (const QString &uid : QStringList{place.parent} + place.children) {
            if (!uid.isEmpty() && !uids.contains(uid))
                uids.append(uid);
        }
    }
    return uids;
}

QString MeshHeading::matchedTerm(const QString &words) const
{
    const QStringList wanted = words.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const auto holdsAll = [&wanted](const QString &term) {
        for (const QString &word : wanted) {
            if (!term.contains(word, Qt::CaseInsensitive))
                return false;
        }
        return true;
    };
    for (const QString &term : QStringList{name} + entryTerms) {
        if (holdsAll(term))
            return term;
    }
    return name;
}

std::optional<MeshSummaryAnswer> meshSummaryFromResponse(const QByteArray &body)
{
    if (body.size() > kMaxAnswerBytes)
        return std::nullopt;
    const std::unique_ptr<XmlDocument> document =
        XMLDocumentForResponse(QString::fromUtf8(body).toStdString(), "</eSummaryResult>");
    if (!document)
        return std::nullopt;
    const pugi::xml_node root = document->document().child("eSummaryResult");
    if (!root)
        return std::nullopt;
    MeshSummaryAnswer answer;
    for (pugi::xml_node summary : root.child("DocumentSummarySet").children("DocumentSummary")) {
        MeshHeading heading = headingOf(summary);
        if (!heading.uid.isEmpty() && !heading.name.isEmpty())
            answer.headings.append(std::move(heading));
    }
    answer.error = textOf(root.child("ERROR"));
    return answer;
}
