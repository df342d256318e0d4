#include "library/SearchLog.h"

#include "common/SystemLog.h"
#include "export/CsvWriter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

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

} // namespace

namespace SearchLog {

QStringList header()
{
    return {QStringLiteral("Number"), QStringLiteral("Date"),    QStringLiteral("Query"),       QStringLiteral("Effective query"),
            QStringLiteral("Sort"),   QStringLiteral("Results"), QStringLiteral("Translation"), QStringLiteral("Warnings")};
}

QByteArray csv(const QList<HistoryEntry> &entries)
{
    QString text;
    const auto line = [&text](const QStringList &row) {
        QStringList quoted;
        for (const QString &field : row)
            quoted.append(CsvWriter::quoted(field));
        text += quoted.join(QLatin1Char(',')) + QLatin1String("\r\n");
    };
    line(header());
    for (const HistoryEntry &entry : entries)
        line(fields(entry));
    // The byte-order mark, as the article exports have it, so spreadsheets read the accents right.
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
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
    QString text = QStringLiteral("# Search log\n\nDatabase: %1\n\n").arg(kDatabase);
    if (entries.isEmpty())
        return (text + QStringLiteral("No searches.\n")).toUtf8();
    const auto [first, last] = std::minmax_element(entries.cbegin(), entries.cend(), [](const auto &a, const auto &b) {
        return a.started < b.started;
    });
    const QString from = first->started.date().toString(Qt::ISODate);
    const QString to = last->started.date().toString(Qt::ISODate);
    text += (from == to ? QStringLiteral("Searched on %1\n\n").arg(from) : QStringLiteral("Searched from %1 to %2\n\n").arg(from, to));
    const QStringList columns = header();
    text += QStringLiteral("| ") + columns.join(QLatin1String(" | ")) + QStringLiteral(" |\n|");
    for (qsizetype i = 0; i < columns.size(); ++i)
        text += QStringLiteral(" --- |");
    text += QLatin1Char('\n');
    for (const HistoryEntry &entry : entries) {
        QStringList cells;
        for (const QString &field : fields(entry))
            cells.append(markdownCell(field));
        text += QStringLiteral("| ") + cells.join(QLatin1String(" | ")) + QStringLiteral(" |\n");
    }
    return text.toUtf8();
}

QByteArray json(const QList<HistoryEntry> &entries)
{
    QJsonArray array;
    for (const HistoryEntry &entry : entries) {
        array.append(QJsonObject{
            {QStringLiteral("number"), entry.number},
            {QStringLiteral("date"), dateText(entry.started)},
            {QStringLiteral("query"), entry.query()},
            {QStringLiteral("effective_query"), entry.effectiveQuery},
            {QStringLiteral("sort"), sortText(entry)},
            {QStringLiteral("results"), entry.resultCount ? QJsonValue(*entry.resultCount) : QJsonValue()},
            {QStringLiteral("translation"), entry.translation},
            {QStringLiteral("warnings"), entry.warnings},
        });
    }
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}

} // namespace SearchLog
