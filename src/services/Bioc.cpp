#include "services/Bioc.h"

#include "services/JsonValues.h"
#include "services/ServiceRequest.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QHash>
#include <QMap>
#include <QRegularExpression>

#include <optional>

namespace {

std::optional<TextSection> sectionOf(const QString &type)
{
    static const QHash<QString, TextSection> sections = {
        {QStringLiteral("TITLE"), TextSection::Title},           {QStringLiteral("ABSTRACT"), TextSection::Abstract},
        {QStringLiteral("INTRO"), TextSection::Introduction},    {QStringLiteral("METHODS"), TextSection::Methods},
        {QStringLiteral("RESULTS"), TextSection::Results},       {QStringLiteral("DISCUSS"), TextSection::Discussion},
        {QStringLiteral("CONCL"), TextSection::Conclusions},     {QStringLiteral("FIG"), TextSection::Captions},
        {QStringLiteral("TABLE"), TextSection::Captions},        {QStringLiteral("REF"), TextSection::References},
    };
    return sections.contains(type) ? std::optional(sections.value(type)) : std::nullopt;
}

// "surname:Koroli;given-names:Sara" as "Koroli S".
QString authorName(const QString &name)
{
    QString surname;
    QString given;
    for (const QString &part : name.split(u';')) {
        if (part.startsWith(QLatin1String("surname:")))
            surname = part.mid(8).trimmed();
        else if (part.startsWith(QLatin1String("given-names:")))
            given = part.mid(12).trimmed();
    }
    QString initials;
    for (const QString &word : given.split(QRegularExpression(QStringLiteral("[\\s.-]+")), Qt::SkipEmptyParts))
        initials += word.front();
    return initials.isEmpty() ? surname : surname + u' ' + initials;
}

QStringList authorsOf(const QJsonObject &infons)
{
    QMap<int, QString> numbered;
    for (auto it = infons.begin(); it != infons.end(); ++it) {
        bool ok = false;
        const int n = it.key().startsWith(QLatin1String("name_")) ? it.key().mid(5).toInt(&ok) : 0;
        if (ok)
            numbered.insert(n, authorName(it.value().toString()));
    }
    QStringList authors;
    for (const QString &name : std::as_const(numbered)) {
        if (!name.isEmpty() && !authors.contains(name))
            authors.append(name);
    }
    return authors;
}

// "Title. Source Year;Volume:First-Last." from a reference passage.
QString referenceText(const QString &title, const QJsonObject &infons)
{
    const auto infon = [&infons](const char *key) { return infons.value(QLatin1String(key)).toString().trimmed(); };
    QString text = title.trimmed();
    if (!text.isEmpty() && !text.endsWith(u'.'))
        text += u'.';
    QString where = infon("source");
    if (!infon("year").isEmpty())
        where += (where.isEmpty() ? QString() : QStringLiteral(" ")) + infon("year");
    if (!infon("volume").isEmpty())
        where += u';' + infon("volume");
    const QString pages = infon("fpage").isEmpty() ? infon("elocation-id")
                                                   : infon("fpage") + (infon("lpage").isEmpty() ? QString() : u'-' + infon("lpage"));
    if (!pages.isEmpty())
        where += u':' + pages;
    return where.isEmpty() ? text : (text.isEmpty() ? where : text + u' ' + where) + u'.';
}

void read(const QJsonObject &passage, FullTextDocument &document)
{
    const QJsonObject infons = passage.value(QLatin1String("infons")).toObject();
    const QString type = infons.value(QLatin1String("type")).toString();
    const QString text = passage.value(QLatin1String("text")).toString();
    const std::optional<TextSection> known = sectionOf(infons.value(QLatin1String("section_type")).toString());
    const TextSection section = known.value_or(TextSection::Other);
    if (type == QLatin1String("front")) {
        if (document.title.isEmpty())
            document.title = text.trimmed();
        document.authors = authorsOf(infons);
        const auto id = [&infons](const char *key) { return infons.value(QLatin1String(key)).toString(); };
        document.pmid = jsonPmid(infons.value(QLatin1String("article-id_pmid")));
        if (!id("article-id_pmc").isEmpty())
            document.pmcid = id("article-id_pmc").startsWith(QLatin1String("PMC")) ? id("article-id_pmc") : QStringLiteral("PMC") + id("article-id_pmc");
        document.doi = id("article-id_doi");
        return;
    }
    if (section == TextSection::References) {
        if (type == QLatin1String("ref"))
            document.appendReference({referenceText(text, infons), jsonPmid(infons.value(QLatin1String("pub-id_pmid"))),
                                      infons.value(QLatin1String("pub-id_doi")).toString()});
        return;
    }
    // The cells of a table are in its own passage; its caption says what it holds.
    if (type == QLatin1String("table"))
        return;
    const bool heading = type.startsWith(QLatin1String("title")) || type.startsWith(QLatin1String("abstract_title"));
    const bool caption = type.endsWith(QLatin1String("caption")) || type.endsWith(QLatin1String("footnote"));
    document.append({section, heading ? TextPassage::Kind::Heading : caption ? TextPassage::Kind::Caption : TextPassage::Kind::Paragraph,
                     text});
}

} // namespace

EutilsRequest biocRequest(const Endpoints &endpoints, const QString &pmcid)
{
    return serviceRequest(QUrl(endpoints.ncbiOrigin() + QLatin1String(Paths::BiocJsonPrefix)
                               + QString::fromLatin1(QUrl::toPercentEncoding(pmcid)) + QStringLiteral("/unicode")));
}

BiocAnswer biocAnswerFrom(const QByteArray &body)
{
    QJsonParseError error;
    const QJsonDocument json = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError)
        return {{}, QStringLiteral("the answer is not BioC's")};
    // The service answers with a list of collections; a single one is taken too.
    const QJsonObject collection = json.isArray() ? json.array().first().toObject() : json.object();
    const QJsonObject document = collection.value(QLatin1String("documents")).toArray().first().toObject();
    const QJsonArray passages = document.value(QLatin1String("passages")).toArray();
    if (passages.isEmpty())
        return {{}, QStringLiteral("the answer holds no article text")};
    BiocAnswer answer;
    answer.document.licence = document.value(QLatin1String("infons")).toObject().value(QLatin1String("license")).toString();
    for (const QJsonValue &passage : passages)
        read(passage.toObject(), answer.document);
    return answer;
}
