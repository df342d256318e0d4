#include "review/ReviewImport.h"

#include "review/ReviewMessages.h"

#include <QHash>
#include <QRegularExpression>

#include <optional>

namespace {

using ReviewImport::Result;

// The lines split on LF, CR LF or a lone CR (fromUtf8 drops a byte-order mark).
QStringList linesOf(const QByteArray &bytes)
{
    QString text = QString::fromUtf8(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text.split(u'\n');
}

Result failure(int line, const QString &what)
{
    Result result;
    result.line = line;
    result.error = ReviewMessages::badLine(line, what);
    return result;
}

QString firstYear(const QString &text)
{
    static const QRegularExpression year(QStringLiteral("(1[5-9]|20)\\d\\d"));
    return year.match(text).captured(0);
}

// "10.1/x [doi]" from MEDLINE's LID and AID; "https://doi.org/10.1/x" from a URL field.
QString doiIn(const QString &text)
{
    static const QRegularExpression doi(QStringLiteral("10\\.\\d{4,9}/\\S+"));
    const QString found = doi.match(text).captured(0);
    return found.endsWith(QLatin1String("[doi]")) ? found.chopped(5).trimmed() : found;
}

QString pmidIn(const QString &text)
{
    static const QRegularExpression pmid(
        QStringLiteral("(?:PMID:?\\s*|pubmed\\.ncbi\\.nlm\\.nih\\.gov/|pubmed/)(\\d{1,10})"),
        QRegularExpression::CaseInsensitiveOption);
    return pmid.match(text).captured(1);
}

void appendTo(QString &field, const QString &value)
{
    field = field.isEmpty() ? value : field + u' ' + value;
}

// ---- RIS: "TY  - JOUR" … "ER  - ", a tag of two characters, two spaces, a hyphen.
// A line that holds no tag continues the field above it.
void setRis(ReviewRecord &record, QString &endPage, const QString &tag, const QString &value)
{
    static const QHash<QString, int> kinds = {
        {QStringLiteral("TI"), 0}, {QStringLiteral("T1"), 0}, {QStringLiteral("AU"), 1}, {QStringLiteral("A1"), 1},
        {QStringLiteral("T2"), 2}, {QStringLiteral("JF"), 2}, {QStringLiteral("JO"), 2}, {QStringLiteral("JA"), 3},
        {QStringLiteral("J2"), 3}, {QStringLiteral("PY"), 4}, {QStringLiteral("Y1"), 4}, {QStringLiteral("DA"), 4},
        {QStringLiteral("VL"), 5}, {QStringLiteral("IS"), 6}, {QStringLiteral("SP"), 7}, {QStringLiteral("EP"), 8},
        {QStringLiteral("DO"), 9}, {QStringLiteral("AB"), 10}, {QStringLiteral("N2"), 10}, {QStringLiteral("KW"), 11},
        {QStringLiteral("UR"), 12}, {QStringLiteral("AN"), 12}, {QStringLiteral("N1"), 12}, {QStringLiteral("C2"), 12},
        {QStringLiteral("M1"), 12}};
    switch (kinds.value(tag, -1)) {
    case 0: appendTo(record.title, value); break;
    case 1: record.authors.append(value); break;
    case 2: if (record.journal.isEmpty() || tag == QLatin1String("T2")) record.journal = value; break;
    case 3: if (record.journal.isEmpty()) record.journal = value; break;
    case 4: if (record.year.isEmpty()) record.year = firstYear(value); break;
    case 5: record.volume = value; break;
    case 6: record.issue = value; break;
    case 7: record.pages = value; break;
    case 8: endPage = value; break;
    case 9: record.doi = doiIn(value).isEmpty() ? value : doiIn(value); break;
    case 10: appendTo(record.abstract, value); break;
    case 11: record.keywords.append(value); break;
    case 12:
        if (record.doi.isEmpty() && tag == QLatin1String("UR"))
            record.doi = doiIn(value);
        if (record.pmid.isEmpty())
            record.pmid = pmidIn(value);
        break;
    default: break;
    }
}

Result readRis(const QStringList &lines)
{
    static const QRegularExpression tagLine(QStringLiteral("^([A-Z][A-Z0-9])  -(?: (.*))?$"));
    Result result;
    std::optional<ReviewRecord> record;
    QString tag, endPage;
    int opened = 0;
    for (int i = 0; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        const QRegularExpressionMatch match = tagLine.match(line);
        if (!match.hasMatch()) {
            if (line.trimmed().isEmpty())
                continue;
            if (!record || tag.isEmpty())
                return failure(i + 1, ReviewMessages::risOutsideRecord());
            // A field continued on this line; a continued name belongs to the one above.
            const bool listed = tag == QLatin1String("AU") || tag == QLatin1String("A1") || tag == QLatin1String("KW");
            QStringList &list = tag == QLatin1String("KW") ? record->keywords : record->authors;
            if (listed && !list.isEmpty())
                list.last() += u' ' + line.trimmed();
            else
                setRis(*record, endPage, tag, line.trimmed());
            continue;
        }
        tag = match.captured(1);
        const QString value = match.captured(2).trimmed();
        if (tag == QLatin1String("TY")) {
            if (record)
                return failure(i + 1, ReviewMessages::risUnclosed(opened));
            record.emplace();
            endPage.clear();
            opened = i + 1;
        } else if (!record) {
            return failure(i + 1, ReviewMessages::risOutsideRecord());
        } else if (tag == QLatin1String("ER")) {
            if (!endPage.isEmpty() && !record->pages.contains(u'-'))
                record->pages += u'-' + endPage;
            result.records.append(*record);
            record.reset();
            tag.clear();
        } else {
            setRis(*record, endPage, tag, value);
        }
    }
    if (record)
        return failure(opened, ReviewMessages::risUnclosed(opened));
    return result;
}

// ---- MEDLINE (.nbib): "PMID- 123", tags padded to four characters, a field
// continued on lines that start with six spaces, records parted by blank lines.
void setMedline(ReviewRecord &record, bool &fullNames, const QString &tag, const QString &value)
{
    if (tag == QLatin1String("PMID")) record.pmid = value;
    else if (tag == QLatin1String("TI")) record.title = value;
    else if (tag == QLatin1String("AB")) record.abstract = value;
    else if (tag == QLatin1String("FAU")) {
        if (!fullNames)
            record.authors.clear(); // full names replace the short ones read before them
        fullNames = true;
        record.authors.append(value);
    } else if (tag == QLatin1String("AU") && !fullNames) record.authors.append(value);
    else if (tag == QLatin1String("JT")) record.journal = value;
    else if (tag == QLatin1String("TA") && record.journal.isEmpty()) record.journal = value;
    else if (tag == QLatin1String("DP")) record.year = firstYear(value);
    else if (tag == QLatin1String("VI")) record.volume = value;
    else if (tag == QLatin1String("IP")) record.issue = value;
    else if (tag == QLatin1String("PG")) record.pages = value;
    else if ((tag == QLatin1String("LID") || tag == QLatin1String("AID")) && value.endsWith(QLatin1String("[doi]")))
        record.doi = doiIn(value);
    else if (tag == QLatin1String("MH") || tag == QLatin1String("OT")) record.keywords.append(value);
}

Result readMedline(const QStringList &lines)
{
    static const QRegularExpression tagLine(QStringLiteral("^([A-Z]{2,4}) {0,2}- (.*)$"));
    Result result;
    std::optional<ReviewRecord> record;
    bool fullNames = false;
    QString tag, value;
    const auto flush = [&] {
        if (record && !tag.isEmpty())
            setMedline(*record, fullNames, tag, value);
        tag.clear();
    };
    for (int i = 0; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        if (line.trimmed().isEmpty()) {
            flush();
            if (record)
                result.records.append(*record);
            record.reset();
            continue;
        }
        if (line.startsWith(QLatin1String("      ")) && !tag.isEmpty()) {
            appendTo(value, line.trimmed());
            continue;
        }
        const QRegularExpressionMatch match = tagLine.match(line);
        if (!match.hasMatch())
            return failure(i + 1, ReviewMessages::medlineNoTag());
        flush();
        if (!record) {
            record.emplace();
            fullNames = false;
        }
        tag = match.captured(1);
        value = match.captured(2).trimmed();
    }
    flush();
    if (record)
        result.records.append(*record);
    return result;
}

// ---- BibTeX: @type{key, name = {value} | "value" | 2019, ...}
QString fromLatex(QString text)
{
    static const QHash<QString, QChar> accents = {
        {QStringLiteral("\"a"), QChar(0xE4)}, {QStringLiteral("\"o"), QChar(0xF6)}, {QStringLiteral("\"u"), QChar(0xFC)},
        {QStringLiteral("\"A"), QChar(0xC4)}, {QStringLiteral("\"O"), QChar(0xD6)}, {QStringLiteral("\"U"), QChar(0xDC)},
        {QStringLiteral("'e"), QChar(0xE9)},  {QStringLiteral("'a"), QChar(0xE1)},  {QStringLiteral("'i"), QChar(0xED)},
        {QStringLiteral("'o"), QChar(0xF3)},  {QStringLiteral("'u"), QChar(0xFA)},  {QStringLiteral("`e"), QChar(0xE8)},
        {QStringLiteral("`a"), QChar(0xE0)},  {QStringLiteral("^e"), QChar(0xEA)},  {QStringLiteral("~n"), QChar(0xF1)},
        {QStringLiteral("cc"), QChar(0xE7)},  {QStringLiteral("ss"), QChar(0xDF)}};
    static const QRegularExpression accent(QStringLiteral("\\{?\\\\([\"'`^~]|c |ss)\\s*\\{?([A-Za-z]?)\\}?\\}?"));
    QString out;
    qsizetype from = 0;
    for (auto it = accent.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += text.mid(from, m.capturedStart() - from);
        const QString key = m.captured(1).trimmed() + m.captured(2);
        out += accents.contains(key) ? QString(accents.value(key)) : m.captured(2);
        from = m.capturedEnd();
    }
    out += text.mid(from);
    out.replace(QLatin1String("\\&"), QLatin1String("&")).replace(QLatin1String("\\%"), QLatin1String("%"));
    out.remove(u'{').remove(u'}');
    return out.simplified();
}

void setBibtex(ReviewRecord &record, const QString &name, const QString &raw)
{
    const QString value = fromLatex(raw);
    if (name == QLatin1String("title")) record.title = value;
    else if (name == QLatin1String("author"))
        record.authors = value.split(QRegularExpression(QStringLiteral("\\s+and\\s+")), Qt::SkipEmptyParts);
    else if (name == QLatin1String("journal") || name == QLatin1String("journaltitle")) record.journal = value;
    else if (name == QLatin1String("year") || (name == QLatin1String("date") && record.year.isEmpty()))
        record.year = firstYear(value);
    else if (name == QLatin1String("volume")) record.volume = value;
    else if (name == QLatin1String("number") || name == QLatin1String("issue")) record.issue = value;
    else if (name == QLatin1String("pages")) record.pages = QString(value).replace(QLatin1String("--"), QLatin1String("-"));
    else if (name == QLatin1String("doi")) record.doi = doiIn(value).isEmpty() ? value : doiIn(value);
    else if (name == QLatin1String("pmid")) record.pmid = value;
    else if (name == QLatin1String("abstract")) record.abstract = value;
    else if (name == QLatin1String("keywords") || name == QLatin1String("mesh"))
        record.keywords = value.split(QRegularExpression(QStringLiteral("\\s*[;,]\\s*")), Qt::SkipEmptyParts);
}

Result readBibtex(const QStringList &lines)
{
    const QString text = lines.join(u'\n');
    Result result;
    int line = 1;
    qsizetype i = 0;
    const auto advance = [&](qsizetype to) {
        for (; i < to && i < text.size(); ++i)
            line += text.at(i) == u'\n' ? 1 : 0;
    };
    const auto skipSpace = [&] {
        while (i < text.size() && text.at(i).isSpace())
            advance(i + 1);
    };
    while (true) {
        const qsizetype at = text.indexOf(u'@', i);
        if (at < 0)
            break;
        advance(at);
        const int entryLine = line;
        qsizetype open = at + 1;
        while (open < text.size() && text.at(open).isLetter())
            ++open;
        const QString type = text.mid(at + 1, open - at - 1).toLower();
        advance(open);
        skipSpace();
        if (i >= text.size() || (text.at(i) != u'{' && text.at(i) != u'('))
            return failure(line, ReviewMessages::bibtexNoBrace());
        const QChar close = text.at(i) == u'{' ? u'}' : u')';
        advance(i + 1);
        if (type == QLatin1String("comment") || type == QLatin1String("string") || type == QLatin1String("preamble")) {
            int depth = 1;
            while (i < text.size() && depth > 0) {
                depth += text.at(i) == u'{' ? 1 : text.at(i) == u'}' ? -1 : 0;
                advance(i + 1);
            }
            continue;
        }
        const qsizetype comma = text.indexOf(u',', i);
        if (comma < 0)
            return failure(entryLine, ReviewMessages::bibtexUnclosed(entryLine));
        advance(comma + 1);
        ReviewRecord record;
        while (true) {
            skipSpace();
            if (i >= text.size())
                return failure(entryLine, ReviewMessages::bibtexUnclosed(entryLine));
            if (text.at(i) == close) {
                advance(i + 1);
                break;
            }
            qsizetype nameEnd = i;
            while (nameEnd < text.size() && (text.at(nameEnd).isLetterOrNumber() || text.at(nameEnd) == u'_' || text.at(nameEnd) == u'-'))
                ++nameEnd;
            const QString name = text.mid(i, nameEnd - i).toLower();
            advance(nameEnd);
            skipSpace();
            if (name.isEmpty() || i >= text.size() || text.at(i) != u'=')
                return failure(line, ReviewMessages::bibtexNoValue());
            advance(i + 1);
            skipSpace();
            QString value;
            if (i < text.size() && (text.at(i) == u'{' || text.at(i) == u'"')) {
                const bool quoted = text.at(i) == u'"';
                int depth = 0;
                const int valueLine = line;
                qsizetype end = i + 1;
                for (; end < text.size(); ++end) {
                    const QChar c = text.at(end);
                    if (c == u'{') ++depth;
                    else if (c == u'}' && depth > 0) --depth;
                    else if (depth == 0 && (quoted ? c == u'"' : c == u'}')) break;
                }
                if (end >= text.size())
                    return failure(valueLine, ReviewMessages::bibtexUnclosed(entryLine));
                value = text.mid(i + 1, end - i - 1);
                advance(end + 1);
            } else {
                qsizetype end = i;
                while (end < text.size() && text.at(end) != u',' && text.at(end) != close)
                    ++end;
                value = text.mid(i, end - i).trimmed();
                advance(end);
            }
            setBibtex(record, name, value);
            skipSpace();
            if (i < text.size() && text.at(i) == u',')
                advance(i + 1);
        }
        result.records.append(record);
    }
    return result;
}

// ---- CSV after RFC 4180 with a header row naming the columns.
Result readCsv(const QStringList &lines)
{
    QList<QStringList> rows;
    QList<int> rowLines;
    QStringList row;
    QString field;
    bool quoted = false;
    int quoteLine = 0;
    for (int n = 0; n < lines.size(); ++n) {
        const QString &line = lines.at(n);
        if (!quoted && line.isEmpty() && row.isEmpty())
            continue;
        if (!quoted) {
            rowLines.append(n + 1);
        } else {
            field += u'\n';
        }
        for (qsizetype i = 0; i < line.size(); ++i) {
            const QChar c = line.at(i);
            if (quoted) {
                if (c != u'"') field += c;
                else if (i + 1 < line.size() && line.at(i + 1) == u'"') { field += c; ++i; }
                else quoted = false;
            } else if (c == u'"' && field.isEmpty()) {
                quoted = true;
                quoteLine = n + 1;
            } else if (c == u',') {
                row.append(field);
                field.clear();
            } else {
                field += c;
            }
        }
        if (!quoted) {
            row.append(field);
            field.clear();
            rows.append(row);
            row.clear();
        }
    }
    if (quoted)
        return failure(quoteLine, ReviewMessages::csvUnclosedQuote());
    if (rows.isEmpty())
        return failure(1, ReviewMessages::csvNoHeader());
    // The names the databases give their columns.
    static const QList<QPair<QStringList, QString ReviewRecord::*>> textColumns = {
        {{QStringLiteral("title"), QStringLiteral("article title"), QStringLiteral("document title")}, &ReviewRecord::title},
        {{QStringLiteral("journal"), QStringLiteral("source title"), QStringLiteral("source"), QStringLiteral("journal/book")}, &ReviewRecord::journal},
        {{QStringLiteral("year"), QStringLiteral("publication year"), QStringLiteral("pubyear")}, &ReviewRecord::year},
        {{QStringLiteral("volume")}, &ReviewRecord::volume},
        {{QStringLiteral("issue"), QStringLiteral("number")}, &ReviewRecord::issue},
        {{QStringLiteral("pages"), QStringLiteral("page"), QStringLiteral("page start")}, &ReviewRecord::pages},
        {{QStringLiteral("doi")}, &ReviewRecord::doi},
        {{QStringLiteral("pmid"), QStringLiteral("pubmed id")}, &ReviewRecord::pmid},
        {{QStringLiteral("abstract")}, &ReviewRecord::abstract},
    };
    QHash<QString, int> column;
    const QStringList header = rows.constFirst();
    for (int c = 0; c < header.size(); ++c)
        column.insert(header.at(c).trimmed().toLower().remove(u'\''), c);
    const auto find = [&](const QStringList &names) {
        for (const QString &name : names)
            if (column.contains(name))
                return column.value(name);
        return -1;
    };
    if (find(textColumns.constFirst().first) < 0)
        return failure(rowLines.constFirst(), ReviewMessages::csvNoHeader());
    const int authors = find({QStringLiteral("authors"), QStringLiteral("author")});
    const int keywords = find({QStringLiteral("keywords"), QStringLiteral("author keywords"), QStringLiteral("mesh")});
    const int endPage = find({QStringLiteral("page end")});
    Result result;
    for (int r = 1; r < rows.size(); ++r) {
        const QStringList &cells = rows.at(r);
        if (cells.size() > header.size())
            return failure(rowLines.at(r), ReviewMessages::csvTooManyFields(header.size()));
        ReviewRecord record;
        for (const auto &[names, member] : textColumns) {
            const int c = find(names);
            if (c >= 0 && c < cells.size())
                record.*member = cells.at(c).trimmed();
        }
        if (endPage >= 0 && endPage < cells.size() && !cells.at(endPage).trimmed().isEmpty())
            record.pages += u'-' + cells.at(endPage).trimmed();
        record.year = firstYear(record.year);
        record.doi = doiIn(record.doi).isEmpty() ? record.doi : doiIn(record.doi);
        const QRegularExpression parts(QStringLiteral("\\s*;\\s*"));
        if (authors >= 0 && authors < cells.size())
            record.authors = cells.at(authors).split(parts, Qt::SkipEmptyParts);
        if (keywords >= 0 && keywords < cells.size())
            record.keywords = cells.at(keywords).split(parts, Qt::SkipEmptyParts);
        result.records.append(record);
    }
    return result;
}

} // namespace

std::optional<ReviewImport::Format> ReviewImport::detect(const QString &fileName, const QByteArray &bytes)
{
    const QString suffix = fileName.section(u'.', -1).toLower();
    if (suffix == QLatin1String("ris")) return Format::Ris;
    if (suffix == QLatin1String("nbib") || suffix == QLatin1String("medline")) return Format::Medline;
    if (suffix == QLatin1String("bib")) return Format::Bibtex;
    if (suffix == QLatin1String("csv")) return Format::Csv;
    const QString start = QString::fromUtf8(bytes.left(4096)).trimmed().remove(QChar(0xFEFF));
    if (start.startsWith(QLatin1String("TY  -"))) return Format::Ris;
    if (start.startsWith(QLatin1String("PMID-"))) return Format::Medline;
    if (start.startsWith(u'@')) return Format::Bibtex;
    return std::nullopt;
}

ReviewImport::Result ReviewImport::read(const QByteArray &bytes, Format format)
{
    const QStringList lines = linesOf(bytes);
    Result result;
    switch (format) {
    case Format::Ris: result = readRis(lines); break;
    case Format::Medline: result = readMedline(lines); break;
    case Format::Bibtex: result = readBibtex(lines); break;
    case Format::Csv: result = readCsv(lines); break;
    }
    if (result.ok() && result.records.isEmpty())
        return failure(1, ReviewMessages::noRecords());
    return result;
}
