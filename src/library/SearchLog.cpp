#include "library/SearchLog.h"

#include "common/SystemLog.h"
#include "export/CsvWriter.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QString kDatabase = QStringLiteral("PubMed, through the NCBI E-utilities");

// The local time with its offset, so the log says when a search ran wherever it is read.
QString dateText(const QDateTime &time)
{
    return time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODate);
}

QString sortText(const HistoryEntry &entry)
{
    return entry.isLinkSet() ? QString() : SortOrders::label(entry.source.sort);
}

QString countText(const HistoryEntry &entry)
{
    return entry.resultCount ? QString::number(*entry.resultCount) : QString();
}

// The fields of one row, in the order of header().
QStringList fields(const HistoryEntry &entry)
{
    return {QString::number(entry.number), dateText(entry.started), entry.query(), entry.effectiveQuery,
            sortText(entry),              countText(entry),         entry.translation, entry.warnings};
}

// The log of a list in memory.
QByteArray ofList(SearchLog::Format format, const QList<HistoryEntry> &entries)
{
    QByteArray bytes;
    SearchLog::write(
        format,
        [&](const auto &each) {
            for (const HistoryEntry &entry : entries)
                each(entry);
            return true;
        },
        [&](const QByteArray &more) {
            bytes += more;
            return true;
        });
    return bytes;
}

QByteArray csvLine(const QStringList &row)
{
    QStringList quoted;
    for (const QString &field : row)
        quoted.append(CsvWriter::quoted(field));
    return (quoted.join(QLatin1Char(',')) + QLatin1String("\r\n")).toUtf8();
}

QByteArray markdownLine(const QStringList &row)
{
    QStringList cells;
    for (const QString &field : row)
        cells.append(SearchLog::markdownCell(field));
    return (QStringLiteral("| ") + cells.join(QLatin1String(" | ")) + QStringLiteral(" |\n")).toUtf8();
}

// As QJsonDocument::Indented writes it inside an array of the log's rows.
QByteArray jsonObject(const HistoryEntry &entry)
{
    const QJsonObject object{
        {QStringLiteral("number"), entry.number},
        {QStringLiteral("date"), dateText(entry.started)},
        {QStringLiteral("query"), entry.query()},
        {QStringLiteral("effective_query"), entry.effectiveQuery},
        {QStringLiteral("sort"), sortText(entry)},
        {QStringLiteral("results"), entry.resultCount ? QJsonValue(*entry.resultCount) : QJsonValue()},
        {QStringLiteral("translation"), entry.translation},
        {QStringLiteral("warnings"), entry.warnings},
    };
    QByteArray text = QJsonDocument(object).toJson(QJsonDocument::Indented);
    text.chop(1);
    return "    " + text.replace("\n", "\n    ");
}

// What a Markdown log says before its rows: the database and the range of dates.
QByteArray markdownHead(const SearchLog::Entries &entries, bool &read)
{
    QByteArray text = QStringLiteral("# Search log\n\nDatabase: %1\n\n").arg(kDatabase).toUtf8();
    QDateTime first;
    QDateTime last;
    read = entries([&](const HistoryEntry &entry) {
        if (!first.isValid() || entry.started < first)
            first = entry.started;
        if (!last.isValid() || last < entry.started)
            last = entry.started;
    });
    if (!first.isValid())
        return text + "No searches.\n";
    const QString from = first.date().toString(Qt::ISODate);
    const QString to = last.date().toString(Qt::ISODate);
    text += (from == to ? QStringLiteral("Searched on %1\n\n").arg(from) : QStringLiteral("Searched from %1 to %2\n\n").arg(from, to)).toUtf8();
    text += markdownLine(SearchLog::header());
    text += '|';
    for (qsizetype i = 0; i < SearchLog::header().size(); ++i)
        text += " --- |";
    return text + '\n';
}

} // namespace

namespace SearchLog {

bool write(Format format, const Entries &entries, const Sink &sink)
{
    bool written = true;
    const auto put = [&](const QByteArray &bytes) { written = written && sink(bytes); };
    bool read = true;
    bool any = false;
    switch (format) {
    case Format::Csv:
        // The byte-order mark, as the article exports have it, so spreadsheets read the accents right.
        put("\xEF\xBB\xBF" + csvLine(header()));
        read = entries([&](const HistoryEntry &entry) { put(csvLine(fields(entry))); });
        break;
    case Format::Markdown:
        put(markdownHead(entries, read));
        if (read)
            read = entries([&](const HistoryEntry &entry) { put(markdownLine(fields(entry))); });
        break;
    case Format::Json:
        put("[\n");
        read = entries([&](const HistoryEntry &entry) {
            put((any ? ",\n" : "") + jsonObject(entry));
            any = true;
        });
        put(any ? "\n]\n" : "]\n");
        break;
    }
    return read && written;
}

QStringList header()
{
    return {QStringLiteral("Number"), QStringLiteral("Date"),    QStringLiteral("Query"),       QStringLiteral("Effective query"),
            QStringLiteral("Sort"),   QStringLiteral("Results"), QStringLiteral("Translation"), QStringLiteral("Warnings")};
}

QByteArray csv(const QList<HistoryEntry> &entries)
{
    return ofList(Format::Csv, entries);
}

QString markdownCell(const QString &raw)
{
    // Text from the service must not drive the terminal the log is read on.
    const QString text = controlsEscaped(raw);
    QString cell;
    cell.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            // CR LF is one break.
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            cell += QLatin1String("<br>");
        } else if (c == QLatin1Char('<')) {
            cell += QLatin1String("&lt;");
        } else if (c == QLatin1Char('&')) {
            cell += QLatin1String("&amp;");
        } else {
            // Pipes would end the cell; the others would turn text into
            // markup, brackets and "!" into live links and images.
            if (QStringLiteral("\\|`*_[]!").contains(c))
                cell += QLatin1Char('\\');
            cell += c;
        }
    }
    return cell;
}

QByteArray markdown(const QList<HistoryEntry> &entries)
{
    return ofList(Format::Markdown, entries);
}

QByteArray json(const QList<HistoryEntry> &entries)
{
    return ofList(Format::Json, entries);
}

} // namespace SearchLog
