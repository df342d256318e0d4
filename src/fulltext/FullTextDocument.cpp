#include "fulltext/FullTextDocument.h"

#include "entrez/Pmid.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// A hostile or broken source cannot make a document grow without end: a
// passage is cut at this many characters, and passages and references past
// these counts are dropped. Real articles stay far below them.
constexpr qsizetype kMaxPassageChars = 100'000;
constexpr qsizetype kMaxPassages = 20'000;
constexpr qsizetype kMaxReferences = 5'000;
constexpr qsizetype kMaxDocumentChars = 8'000'000;

struct SectionName
{
    TextSection section;
    const char *name;
    const char *title;
};

constexpr SectionName kSections[] = {
    {TextSection::Title, "title", "Title"},
    {TextSection::Abstract, "abstract", "Abstract"},
    {TextSection::Introduction, "introduction", "Introduction"},
    {TextSection::Methods, "methods", "Methods"},
    {TextSection::Results, "results", "Results"},
    {TextSection::Discussion, "discussion", "Discussion"},
    {TextSection::Conclusions, "conclusions", "Conclusions"},
    {TextSection::Captions, "captions", "Figures and tables"},
    {TextSection::References, "references", "References"},
    {TextSection::Other, "other", "Other"},
};

const char *kindName(TextPassage::Kind kind)
{
    switch (kind) {
    case TextPassage::Kind::Heading:
        return "h";
    case TextPassage::Kind::Caption:
        return "c";
    case TextPassage::Kind::Paragraph:
        break;
    }
    return "p";
}

qsizetype documentChars(const FullTextDocument &document)
{
    qsizetype chars = document.title.size();
    for (const TextPassage &passage : document.passages)
        chars += passage.text.size();
    return chars;
}

} // namespace

QList<TextSection> TextSections::all()
{
    QList<TextSection> sections;
    for (const SectionName &entry : kSections)
        sections.append(entry.section);
    return sections;
}

QString TextSections::name(TextSection section)
{
    return QLatin1String(kSections[int(section)].name);
}

std::optional<TextSection> TextSections::named(const QString &name)
{
    for (const SectionName &entry : kSections) {
        if (name.compare(QLatin1String(entry.name), Qt::CaseInsensitive) == 0)
            return entry.section;
    }
    return std::nullopt;
}

QString TextSections::title(TextSection section)
{
    return QLatin1String(kSections[int(section)].title);
}

bool FullTextDocument::append(TextPassage passage)
{
    if (passages.size() >= kMaxPassages || documentChars(*this) >= kMaxDocumentChars)
        return false;
    passage.text = passage.text.trimmed().left(kMaxPassageChars);
    if (!passage.text.isEmpty())
        passages.append(std::move(passage));
    return true;
}

void FullTextDocument::appendReference(TextReference reference)
{
    if (references.size() >= kMaxReferences)
        return;
    reference.text = reference.text.trimmed().left(kMaxPassageChars);
    if (!isPmid(reference.pmid.toStdString()))
        reference.pmid.clear();
    if (!reference.doi.startsWith(QLatin1String("10.")))
        reference.doi.clear();
    if (!reference.text.isEmpty())
        references.append(std::move(reference));
}

QStringList FullTextDocument::sectionTexts() const
{
    QList<QStringList> parts(std::size(kSections));
    parts[int(TextSection::Title)].append(title);
    for (const TextPassage &passage : passages)
        parts[int(passage.section)].append(passage.text);
    for (const TextReference &reference : references)
        parts[int(TextSection::References)].append(reference.text);
    QStringList texts;
    for (const QStringList &part : parts)
        texts.append(part.join(QStringLiteral("\n\n")));
    return texts;
}

QString FullTextDocument::plainText() const
{
    const QStringList texts = sectionTexts();
    QString plain;
    for (const TextSection section : TextSections::all()) {
        const QString &text = texts.at(int(section));
        if (text.isEmpty())
            continue;
        if (section != TextSection::Title)
            plain += TextSections::title(section).toUpper() + QStringLiteral("\n\n");
        plain += text + QStringLiteral("\n\n");
    }
    return plain;
}

QStringList FullTextDocument::referencePmids() const
{
    QStringList pmids;
    for (const TextReference &reference : references) {
        if (!reference.pmid.isEmpty() && !pmids.contains(reference.pmid))
            pmids.append(reference.pmid);
    }
    return pmids;
}

QByteArray FullTextDocument::toJson() const
{
    QJsonArray passageArray;
    for (const TextPassage &passage : passages)
        passageArray.append(QJsonObject{{QStringLiteral("s"), TextSections::name(passage.section)},
                                        {QStringLiteral("k"), QLatin1String(kindName(passage.kind))},
                                        {QStringLiteral("t"), passage.text}});
    QJsonArray referenceArray;
    for (const TextReference &reference : references)
        referenceArray.append(QJsonObject{{QStringLiteral("t"), reference.text},
                                          {QStringLiteral("pmid"), reference.pmid},
                                          {QStringLiteral("doi"), reference.doi}});
    return QJsonDocument(QJsonObject{{QStringLiteral("pmid"), pmid},
                                     {QStringLiteral("pmcid"), pmcid},
                                     {QStringLiteral("doi"), doi},
                                     {QStringLiteral("title"), title},
                                     {QStringLiteral("authors"), QJsonArray::fromStringList(authors)},
                                     {QStringLiteral("licence"), licence},
                                     {QStringLiteral("passages"), passageArray},
                                     {QStringLiteral("references"), referenceArray}})
        .toJson(QJsonDocument::Compact);
}

std::optional<FullTextDocument> FullTextDocument::fromJson(const QByteArray &json)
{
    QJsonParseError error;
    const QJsonObject object = QJsonDocument::fromJson(json, &error).object();
    if (error.error != QJsonParseError::NoError || !object.value(QLatin1String("passages")).isArray())
        return std::nullopt;
    FullTextDocument document;
    const auto text = [](const QJsonObject &from, const char *key) { return from.value(QLatin1String(key)).toString(); };
    document.pmid = text(object, "pmid");
    document.pmcid = text(object, "pmcid");
    document.doi = text(object, "doi");
    document.title = text(object, "title").left(kMaxPassageChars);
    for (const QJsonValue &author : object.value(QLatin1String("authors")).toArray())
        document.authors.append(author.toString());
    document.licence = text(object, "licence");
    for (const QJsonValue &value : object.value(QLatin1String("passages")).toArray()) {
        const QJsonObject passage = value.toObject();
        const QString kind = text(passage, "k");
        if (!document.append({TextSections::named(text(passage, "s")).value_or(TextSection::Other),
                              kind == QLatin1String("h")   ? TextPassage::Kind::Heading
                              : kind == QLatin1String("c") ? TextPassage::Kind::Caption
                                                           : TextPassage::Kind::Paragraph,
                              text(passage, "t")}))
            break;
    }
    for (const QJsonValue &value : object.value(QLatin1String("references")).toArray()) {
        const QJsonObject reference = value.toObject();
        document.appendReference({text(reference, "t"), text(reference, "pmid"), text(reference, "doi")});
    }
    return document;
}
