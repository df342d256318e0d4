#include "BibtexWriter.h"

#include "export/ExportText.h"
#include "export/PageRange.h"

#include <QRegularExpression>

namespace {
const QLatin1String kMonthMacros[] = {QLatin1String("jan"), QLatin1String("feb"), QLatin1String("mar"),
                                      QLatin1String("apr"), QLatin1String("may"), QLatin1String("jun"),
                                      QLatin1String("jul"), QLatin1String("aug"), QLatin1String("sep"),
                                      QLatin1String("oct"), QLatin1String("nov"), QLatin1String("dec")};

// Identifiers are read verbatim by biblatex and reference managers (an
// escaped "_" in a DOI would become part of it), so only what would break the
// entry's braces is escaped.
QString verbatim(const QString &text)
{
    QString out;
    for (const QChar c : singleLine(text)) {
        if (c == u'{' || c == u'}' || c == u'\\')
            out += BibtexWriter::escaped(QString(c));
        else
            out += c;
    }
    return out;
}

QString braced(const QString &text)
{
    return QLatin1Char('{') + text + QLatin1Char('}');
}

// One part of a person's name, braced when BibTeX would otherwise read more
// into it: an "and" between words starts another author, and a comma another
// part of the name.
QString namePart(const QString &text)
{
    static const QRegularExpression splits(QStringLiteral("(^|\\s)and(\\s|$)|,"),
                                           QRegularExpression::CaseInsensitiveOption);
    const QString escaped = BibtexWriter::escaped(singleLine(text));
    return splits.match(escaped).hasMatch() ? braced(escaped) : escaped;
}

QString authorName(const ReferenceAuthor &author)
{
    // Braces keep a group's name whole: BibTeX would otherwise split it into
    // given and family names, or at an "and" inside it.
    if (author.collective)
        return braced(BibtexWriter::escaped(singleLine(author.last)));
    const QString given = singleLine(author.foreName.isEmpty() ? author.initials : author.foreName);
    QString last = namePart(author.last);
    // BibTeX's "Last, Suffix, First" form; without a first name the suffix
    // joins the last name.
    if (!author.suffix.isEmpty())
        last += (given.isEmpty() ? QLatin1String(" ") : QLatin1String(", ")) + namePart(author.suffix);
    return given.isEmpty() ? last : last + QLatin1String(", ") + namePart(given);
}

class BibtexEntry
{
public:
    // `value` is the field's BibTeX text, already escaped.
    void add(const char *field, const QString &value, bool braced = true)
    {
        if (value.isEmpty())
            return;
        m_fields += QLatin1String(",\n  ") + QLatin1String(field) + QLatin1String(" = ")
            + (braced ? QLatin1Char('{') + value + QLatin1Char('}') : value);
    }
    void addText(const char *field, const QString &value) { add(field, BibtexWriter::escaped(singleLine(value))); }
    QString fields() const { return m_fields; }

private:
    QString m_fields;
};
} // namespace

QString BibtexWriter::escaped(const QString &text)
{
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar c : text) {
        switch (c.unicode()) {
        // BibTeX counts braces whatever precedes them, so "\{" would still
        // open a group: a brace from the record becomes a command instead,
        // and a field's braces balance whatever its text holds.
        case u'{':
            out += QLatin1String("\\textbraceleft{}");
            break;
        case u'}':
            out += QLatin1String("\\textbraceright{}");
            break;
        case u'%':
        case u'&':
        case u'#':
        case u'$':
        case u'_':
            out += QLatin1Char('\\') + c;
            break;
        case u'\\':
            out += QLatin1String("$\\backslash$");
            break;
        case u'~':
            out += QLatin1String("\\textasciitilde{}");
            break;
        case u'^':
            out += QLatin1String("\\textasciicircum{}");
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString BibtexWriter::entry(const Reference &reference, const QString &fallbackKey)
{
    const QString pmid = singleLine(reference.pmid);
    const char *type = "article";
    if (reference.kind == Reference::Kind::BookChapter)
        type = "incollection";
    else if (reference.kind == Reference::Kind::Book)
        type = "book";

    BibtexEntry e;
    QStringList names;
    for (const ReferenceAuthor &author : reference.authors)
        names.append(authorName(author));
    e.add("author", names.join(QLatin1String(" and ")));
    const QString title = escaped(singleLine(reference.title));
    e.add("title", title.isEmpty() ? QString() : braced(title));
    switch (reference.kind) {
    case Reference::Kind::JournalArticle:
        e.addText("journal", reference.containerTitle.isEmpty() ? reference.journalAbbreviation : reference.containerTitle);
        break;
    case Reference::Kind::BookChapter:
        e.addText("booktitle", reference.containerTitle);
        e.addText("publisher", reference.publisher);
        break;
    case Reference::Kind::Book:
        e.addText("publisher", reference.publisher);
        break;
    }
    e.addText("year", reference.year());
    const int month = reference.monthNumber();
    if (month > 0)
        e.add("month", kMonthMacros[month - 1], false);
    e.addText("volume", reference.volume);
    e.addText("number", reference.issue);
    e.addText("pages", PageRange::fromMedlinePgn(singleLine(reference.pages)).joined(QStringLiteral("--")));
    e.add("doi", verbatim(reference.doi));
    e.add("pmid", verbatim(pmid));
    // biblatex's way of naming a PubMed record, which more readers know.
    if (!pmid.isEmpty()) {
        e.add("eprint", verbatim(pmid));
        e.add("eprinttype", QStringLiteral("pubmed"));
    }
    e.add("pmcid", verbatim(reference.pmcid));
    e.add("issn", verbatim(reference.issnNumbers().join(QLatin1String(", "))));
    e.addText("abstract", reference.abstract);
    e.addText("keywords", (reference.mesh + reference.keywords).join(QLatin1String("; ")));
    e.addText("note", reference.note);

    static const QRegularExpression digits(QStringLiteral("^\\d+$"));
    const QString key = digits.match(pmid).hasMatch() ? QLatin1String("pmid") + pmid : fallbackKey;
    return QLatin1Char('@') + QLatin1String(type) + QLatin1Char('{') + key + e.fields() + QLatin1String("\n}\n\n");
}

QByteArray BibtexWriter::write(const QList<Reference> &references)
{
    QString text;
    for (qsizetype i = 0; i < references.size(); ++i)
        text += entry(references.at(i), QStringLiteral("vexmoor%1").arg(i + 1));
    return text.toUtf8();
}
