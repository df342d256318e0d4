#include "RisWriter.h"

#include "citations/Citation.h"
#include "export/ExportText.h"
#include "export/PageRange.h"

namespace {
class RisRecord
{
public:
    void add(const char tag[3], const QString &value)
    {
        const QString line = singleLine(value);
        if (!line.isEmpty())
            addLine(tag, line);
    }
    void addLine(const char tag[3], const QString &value)
    {
        m_text += QLatin1String(tag) + QLatin1String("  - ") + value + QLatin1String("\r\n");
    }
    QString text() const { return m_text; }

private:
    QString m_text;
};

QString typeOf(const Reference &reference)
{
    switch (reference.kind) {
    case Reference::Kind::BookChapter:
        return QStringLiteral("CHAP");
    case Reference::Kind::Book:
        return QStringLiteral("BOOK");
    case Reference::Kind::JournalArticle:
        break;
    }
    return QStringLiteral("JOUR");
}

QString authorName(const ReferenceAuthor &author)
{
    if (author.collective)
        return author.last;
    const QString given = author.foreName.isEmpty() ? author.initials : author.foreName;
    // "Last, First, Suffix", the form reference managers read.
    QString name = given.isEmpty() ? author.last : author.last + QLatin1String(", ") + given;
    return author.suffix.isEmpty() ? name : name + QLatin1String(", ") + author.suffix;
}
} // namespace

QString RisWriter::record(const Reference &reference)
{
    RisRecord r;
    r.addLine("TY", typeOf(reference));
    for (const ReferenceAuthor &author : reference.authors)
        r.add("AU", authorName(author));
    r.add("TI", reference.title);
    r.add("T2", reference.containerTitle);
    if (reference.kind == Reference::Kind::JournalArticle)
        r.add("J2", reference.journalAbbreviation);
    const QString year = reference.year();
    r.add("PY", year);
    if (!year.isEmpty() && reference.monthNumber() > 0)
        r.add("DA", QStringLiteral("%1/%2//").arg(year).arg(reference.monthNumber(), 2, 10, QLatin1Char('0')));
    r.add("VL", reference.volume);
    r.add("IS", reference.issue);
    const PageRange pages = PageRange::fromMedlinePgn(singleLine(reference.pages));
    r.add("SP", pages.first);
    r.add("EP", pages.last);
    if (reference.kind != Reference::Kind::JournalArticle)
        r.add("PB", reference.publisher);
    r.add("AB", reference.abstract);
    r.add("N1", retractionNote(reference.retracted, reference.retractionIn));
    r.add("N1", reference.foundAs);
    r.add("N1", reference.note);
    for (const QString &heading : reference.mesh)
        r.add("KW", heading);
    for (const QString &keyword : reference.keywords)
        r.add("KW", keyword);
    r.add("DO", reference.doi);
    for (const QString &issn : reference.issnNumbers())
        r.add("SN", issn);
    for (const QString &language : reference.language)
        r.add("LA", language);
    r.add("AN", reference.pmid);
    r.add("C2", reference.pmcid);
    r.add("UR", pubmedUrl(singleLine(reference.pmid)));
    r.addLine("ER", QString());
    return r.text() + QLatin1String("\r\n");
}

QByteArray RisWriter::write(const QList<Reference> &references)
{
    QString text;
    for (const Reference &reference : references)
        text += record(reference);
    return text.toUtf8();
}
