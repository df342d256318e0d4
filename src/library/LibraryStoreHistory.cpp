// The search history and the saved searches of the library store.
#include "library/LibraryStore.h"

#include "entrez/Pmid.h"
#include "library/HistoryMessages.h"
#include "search/SearchSourceCodec.h"

#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <limits>

namespace {

QSqlQuery queryOn(const QString &connection)
{
    QSqlQuery query(QSqlDatabase::database(connection, false));
    // Rows are read once, in order: no cache of those already read.
    query.setForwardOnly(true);
    return query;
}

// Local times keep their offset, so that a history moved to another time
// zone still tells when each search ran.
QString timeText(const QDateTime &time)
{
    return time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODate);
}

QString utcText(const QDateTime &time)
{
    return time.toUTC().toString(Qt::ISODate);
}

// The times written here ("2026-12-09T17:15:00+01:00", "...Z") are read
// field by field, with their offset: asking the system's time zone instead
// costs a look at its files per row, too slow for a history of 100,000.
QDateTime timeFrom(const QVariant &value)
{
    if (value.isNull())
        return {};
    const QString text = value.toString();
    const QStringView view(text);
    const auto number = [&](qsizetype from, qsizetype length) { return view.sliced(from, length).toInt(); };
    const bool utc = text.size() == 20 && text.at(19) == QLatin1Char('Z');
    const bool offset = text.size() == 25 && (text.at(19) == QLatin1Char('+') || text.at(19) == QLatin1Char('-'));
    if (text.size() < 19 || text.at(10) != QLatin1Char('T') || !(utc || offset))
        return QDateTime::fromString(text, Qt::ISODate);
    const QDate date(number(0, 4), number(5, 2), number(8, 2));
    const QTime time(number(11, 2), number(14, 2), number(17, 2));
    const int seconds = utc ? 0 : (text.at(19) == QLatin1Char('-') ? -1 : 1) * (number(20, 2) * 3600 + number(23, 2) * 60);
    return QDateTime(date, time, Qt::OffsetFromUTC, seconds);
}

// A null QString binds as NULL; the text columns hold '' for nothing.
QString notNull(const QString &text)
{
    return text.isNull() ? QStringLiteral("") : text;
}

// Numbers go into the SQL as numbers: they cannot carry anything else.
QString numberList(const QList<qint64> &numbers)
{
    QStringList texts;
    texts.reserve(numbers.size());
    for (const qint64 number : numbers)
        texts.append(QString::number(number));
    return texts.join(QLatin1Char(','));
}

// The sent query comes back NULL where it is the typed one (searches without
// filters, most of them): the row then shares the typed text instead of
// converting a second copy.
const QString kHistoryColumns = QStringLiteral(
    "SELECT number, started, source, query, NULLIF(effective_query, query), sort, filters, result_count, translation,"
    " warnings FROM history");

HistoryEntry historyEntryOf(const QSqlQuery &query)
{
    HistoryEntry entry;
    entry.number = query.value(0).toLongLong();
    entry.started = timeFrom(query.value(1));
    const QString typed = query.value(3).toString();
    entry.source = SearchSourceCodec::sourceFrom(query.value(2).toString(), typed, query.value(5).toString(),
                                                 query.value(6).toString());
    const QVariant sent = query.value(4);
    entry.effectiveQuery = sent.isNull() ? typed : sent.toString();
    if (!query.value(7).isNull())
        entry.resultCount = query.value(7).toLongLong();
    entry.translation = query.value(8).toString();
    entry.warnings = query.value(9).toString();
    return entry;
}

// Made room for at once: a history of 100,000 is not copied over as it grows.
QList<HistoryEntry> entriesOf(QSqlQuery &query, qsizetype expected)
{
    QList<HistoryEntry> entries;
    entries.reserve(qMax(expected, qsizetype(0)));
    while (query.next())
        entries.append(historyEntryOf(query));
    return entries;
}

const QString kSavedSearchColumns = QStringLiteral(
    "SELECT id, name, query, sort, filters, created, last_checked,"
    " (SELECT COUNT(*) FROM saved_search_pmid p WHERE p.saved_search = s.id AND p.is_new)"
    " FROM saved_search s");

SavedSearch savedSearchOf(const QSqlQuery &query)
{
    SavedSearch search;
    search.id = query.value(0).toLongLong();
    search.name = query.value(1).toString();
    search.query = query.value(2).toString();
    search.sort = SearchSourceCodec::sortFrom(query.value(3).toString());
    search.filters = SearchSourceCodec::filtersFrom(query.value(4).toString());
    search.created = timeFrom(query.value(5)).toUTC();
    search.lastChecked = timeFrom(query.value(6)).toUTC();
    search.newCount = query.value(7).toInt();
    return search;
}

// Whether `name` is taken by a saved search other than `exceptId`.
bool nameTaken(QSqlQuery &query, const QString &name, qint64 exceptId, bool &taken)
{
    query.prepare(QStringLiteral("SELECT 1 FROM saved_search WHERE name = ? AND id <> ?"));
    query.addBindValue(name);
    query.addBindValue(exceptId);
    if (!query.exec())
        return false;
    taken = query.next();
    return true;
}

} // namespace

qint64 LibraryStore::recordStart(const SearchSource &source, const QString &typed, const QDateTime &started)
{
    qint64 number = 0;
    const bool links = source.kind == SearchSource::Kind::Links;
    const bool written = write([&](QSqlQuery &query) {
        query.prepare(QStringLiteral("INSERT INTO history (started, source, query, effective_query, sort, filters)"
                                     " VALUES (?, ?, ?, ?, ?, ?)"));
        query.addBindValue(timeText(started));
        query.addBindValue(SearchSourceCodec::originText(source));
        query.addBindValue(links ? source.logText() : (typed.trimmed().isEmpty() ? source.query : typed).trimmed());
        query.addBindValue(links ? source.logText() : source.effectiveQuery());
        query.addBindValue(notNull(links ? QString() : SearchSourceCodec::sortText(source.sort)));
        query.addBindValue(notNull(links ? QString() : SearchSourceCodec::filtersText(source.filters)));
        if (!query.exec())
            return false;
        number = query.lastInsertId().toLongLong();
        return number > 0;
    });
    return written ? number : 0;
}

bool LibraryStore::recordAnswer(qint64 number, qint64 resultCount, const QString &translation, const QString &warnings)
{
    return write([&](QSqlQuery &query) {
        query.prepare(QStringLiteral("UPDATE history SET result_count = ?, translation = ?, warnings = ? WHERE number = ?"));
        query.addBindValue(resultCount);
        query.addBindValue(notNull(translation));
        query.addBindValue(notNull(warnings));
        query.addBindValue(number);
        // A row deleted while its search ran has nothing left to complete.
        return query.exec();
    });
}

bool LibraryStore::recordYearCounts(qint64 number, const QString &timelineQuery, const QString &yearCounts,
                                    const QDateTime &counted)
{
    return write([&](QSqlQuery &query) {
        query.prepare(QStringLiteral("UPDATE history SET timeline_query = ?, year_counts = ?, counted = ? WHERE number = ?"));
        query.addBindValue(notNull(timelineQuery));
        query.addBindValue(notNull(yearCounts));
        query.addBindValue(utcText(counted));
        query.addBindValue(number);
        return query.exec();
    });
}

std::optional<QString> LibraryStore::yearCounts(const QString &timelineQuery, const QDateTime &since)
{
    QSqlQuery query = queryOn(m_connection);
    query.prepare(QStringLiteral("SELECT year_counts FROM history WHERE timeline_query = ? AND counted >= ?"
                                 " ORDER BY counted DESC LIMIT 1"));
    query.addBindValue(notNull(timelineQuery));
    query.addBindValue(utcText(since));
    if (!query.exec()) {
        fail(QStringLiteral("reading the counts per year"), query);
        return std::nullopt;
    }
    return query.next() ? query.value(0).toString() : QString();
}

std::optional<QList<HistoryEntry>> LibraryStore::history(const QList<qint64> &numbers)
{
    QSqlQuery query = queryOn(m_connection);
    QString sql = kHistoryColumns;
    if (!numbers.isEmpty())
        sql += QStringLiteral(" WHERE number IN (%1)").arg(numberList(numbers));
    if (!query.exec(sql + QStringLiteral(" ORDER BY number DESC"))) {
        fail(QStringLiteral("reading the history"), query);
        return std::nullopt;
    }
    qsizetype expected = numbers.size();
    if (numbers.isEmpty()) {
        QSqlQuery count = queryOn(m_connection);
        if (count.exec(QStringLiteral("SELECT COUNT(*) FROM history")) && count.next())
            expected = count.value(0).toLongLong();
    }
    return entriesOf(query, expected);
}

bool LibraryStore::forEachHistoryEntry(const QList<qint64> &numbers, const std::function<void(const HistoryEntry &)> &each)
{
    QSqlQuery query = queryOn(m_connection);
    QString sql = kHistoryColumns;
    if (!numbers.isEmpty())
        sql += QStringLiteral(" WHERE number IN (%1)").arg(numberList(numbers));
    if (!query.exec(sql + QStringLiteral(" ORDER BY number")))
        return fail(QStringLiteral("reading the history"), query);
    while (query.next())
        each(historyEntryOf(query));
    return !query.lastError().isValid() || fail(QStringLiteral("reading the history"), query);
}

std::optional<QList<HistoryEntry>> LibraryStore::historyPage(int limit, qint64 below)
{
    QSqlQuery query = queryOn(m_connection);
    query.prepare(kHistoryColumns + QStringLiteral(" WHERE number < ? ORDER BY number DESC LIMIT ?"));
    query.addBindValue(below > 0 ? below : std::numeric_limits<qint64>::max());
    query.addBindValue(qMax(limit, 0));
    if (!query.exec()) {
        fail(QStringLiteral("reading the history"), query);
        return std::nullopt;
    }
    return entriesOf(query, limit);
}

std::optional<HistoryEntry> LibraryStore::historyEntry(qint64 number)
{
    const auto entries = history({number});
    if (!entries)
        return std::nullopt;
    if (entries->isEmpty()) {
        m_error = HistoryMessages::noSuchSearch(number);
        return std::nullopt;
    }
    return entries->constFirst();
}

bool LibraryStore::deleteHistory(const QList<qint64> &numbers)
{
    if (numbers.isEmpty())
        return true;
    return write([&](QSqlQuery &query) {
        return query.exec(QStringLiteral("DELETE FROM history WHERE number IN (%1)").arg(numberList(numbers)));
    });
}

bool LibraryStore::clearHistory()
{
    // The numbering goes on: AUTOINCREMENT remembers the highest number given.
    return write([](QSqlQuery &query) { return query.exec(QStringLiteral("DELETE FROM history")); });
}

std::optional<QStringList> LibraryStore::recentQueries(int limit)
{
    // From the newest back, until enough are found: a long history repeats
    // its recent queries, and grouping all of it takes as long as the history is.
    QSqlQuery query = queryOn(m_connection);
    if (!query.exec(QStringLiteral("SELECT query FROM history WHERE source = 'query' ORDER BY number DESC"))) {
        fail(QStringLiteral("reading the recent queries"), query);
        return std::nullopt;
    }
    QStringList queries;
    QSet<QString> seen;
    while ((limit < 0 || queries.size() < limit) && query.next()) {
        const QString text = query.value(0).toString();
        if (!seen.contains(text)) {
            seen.insert(text);
            queries.append(text);
        }
    }
    if (query.lastError().isValid()) {
        fail(QStringLiteral("reading the recent queries"), query);
        return std::nullopt;
    }
    return queries;
}

bool LibraryStore::importQueries(const QStringList &mostRecentFirst, const QDateTime &when)
{
    return write([&](QSqlQuery &query) {
        query.prepare(QStringLiteral("INSERT INTO history (started, query, effective_query) VALUES (?, ?, ?)"));
        const QString started = timeText(when);
        // Oldest first, so that the most recent query gets the highest number.
        for (auto it = mostRecentFirst.crbegin(); it != mostRecentFirst.crend(); ++it) {
            const QString text = it->trimmed();
            if (text.isEmpty())
                continue;
            query.addBindValue(started);
            query.addBindValue(text);
            query.addBindValue(text);
            if (!query.exec())
                return false;
        }
        return true;
    });
}

qint64 LibraryStore::addSavedSearch(const SavedSearch &search)
{
    const QString name = search.name.trimmed();
    if (name.isEmpty() || search.query.trimmed().isEmpty()) {
        m_error = name.isEmpty() ? HistoryMessages::blankName() : HistoryMessages::blankQuery();
        return 0;
    }
    bool taken = false;
    qint64 id = 0;
    const bool written = write([&](QSqlQuery &query) {
        if (!nameTaken(query, name, 0, taken) || taken)
            return false;
        query.prepare(QStringLiteral("INSERT INTO saved_search (name, query, sort, filters, created) VALUES (?, ?, ?, ?, ?)"));
        query.addBindValue(name);
        query.addBindValue(search.query.trimmed());
        query.addBindValue(notNull(SearchSourceCodec::sortText(search.sort)));
        query.addBindValue(notNull(SearchSourceCodec::filtersText(search.filters)));
        query.addBindValue(utcText(QDateTime::currentDateTimeUtc()));
        if (!query.exec())
            return false;
        id = query.lastInsertId().toLongLong();
        return true;
    });
    if (taken)
        m_error = HistoryMessages::duplicateName(name);
    return written ? id : 0;
}

bool LibraryStore::renameSavedSearch(qint64 id, const QString &name)
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty()) {
        m_error = HistoryMessages::blankName();
        return false;
    }
    bool taken = false;
    bool gone = false;
    const bool written = write([&](QSqlQuery &query) {
        if (!nameTaken(query, trimmed, id, taken) || taken)
            return false;
        query.prepare(QStringLiteral("UPDATE saved_search SET name = ? WHERE id = ?"));
        query.addBindValue(trimmed);
        query.addBindValue(id);
        gone = query.exec() && query.numRowsAffected() == 0;
        return query.isActive() && !gone;
    });
    if (taken)
        m_error = HistoryMessages::duplicateName(trimmed);
    else if (gone)
        m_error = HistoryMessages::savedSearchGone();
    return written;
}

bool LibraryStore::editSavedSearch(qint64 id, const QString &query, SortOrder sort, const SearchFilters &filters)
{
    if (query.trimmed().isEmpty()) {
        m_error = HistoryMessages::blankQuery();
        return false;
    }
    bool gone = false;
    const bool written = write([&](QSqlQuery &update) {
        update.prepare(QStringLiteral("UPDATE saved_search SET query = ?, sort = ?, filters = ? WHERE id = ?"));
        update.addBindValue(query.trimmed());
        update.addBindValue(notNull(SearchSourceCodec::sortText(sort)));
        update.addBindValue(notNull(SearchSourceCodec::filtersText(filters)));
        update.addBindValue(id);
        gone = update.exec() && update.numRowsAffected() == 0;
        return update.isActive() && !gone;
    });
    if (gone)
        m_error = HistoryMessages::savedSearchGone();
    return written;
}

bool LibraryStore::removeSavedSearch(qint64 id)
{
    // Its PMIDs go with it (ON DELETE CASCADE).
    return write([&](QSqlQuery &query) {
        query.prepare(QStringLiteral("DELETE FROM saved_search WHERE id = ?"));
        query.addBindValue(id);
        return query.exec();
    });
}

std::optional<QList<SavedSearch>> LibraryStore::savedSearches()
{
    QSqlQuery query = queryOn(m_connection);
    if (!query.exec(kSavedSearchColumns + QStringLiteral(" ORDER BY name COLLATE NOCASE, name"))) {
        fail(QStringLiteral("reading the saved searches"), query);
        return std::nullopt;
    }
    QList<SavedSearch> searches;
    while (query.next())
        searches.append(savedSearchOf(query));
    return searches;
}

std::optional<SavedSearch> LibraryStore::savedSearch(const QString &name)
{
    QSqlQuery query = queryOn(m_connection);
    query.prepare(kSavedSearchColumns + QStringLiteral(" WHERE name = ?"));
    query.addBindValue(name.trimmed());
    if (!query.exec()) {
        fail(QStringLiteral("reading the saved searches"), query);
        return std::nullopt;
    }
    if (!query.next()) {
        m_error = HistoryMessages::noSuchSavedSearch(name.trimmed());
        return std::nullopt;
    }
    return savedSearchOf(query);
}

std::optional<QStringList> LibraryStore::recordCheck(qint64 id, const QStringList &pmids, const QDateTime &checked)
{
    QStringList added;
    bool gone = false;
    const bool written = write([&](QSqlQuery &query) {
        query.prepare(QStringLiteral("SELECT last_checked IS NULL FROM saved_search WHERE id = ?"));
        query.addBindValue(id);
        if (!query.exec())
            return false;
        gone = !query.next();
        if (gone)
            return false;
        // The first check learns what the search finds today: none of it is news.
        const bool first = query.value(0).toBool();
        query.finish();
        query.prepare(QStringLiteral("INSERT OR IGNORE INTO saved_search_pmid (saved_search, pmid, is_new, found)"
                                     " VALUES (?, ?, ?, ?)"));
        const QString found = utcText(checked);
        for (const QString &pmid : pmids) {
            if (!isPmid(pmid.toStdString()))
                continue;
            query.addBindValue(id);
            query.addBindValue(pmid.toLongLong());
            query.addBindValue(first ? 0 : 1);
            query.addBindValue(found);
            if (!query.exec())
                return false;
            if (query.numRowsAffected() == 1 && !first)
                added.append(QString::number(pmid.toLongLong()));
        }
        query.prepare(QStringLiteral("UPDATE saved_search SET last_checked = ? WHERE id = ?"));
        query.addBindValue(found);
        query.addBindValue(id);
        return query.exec();
    });
    if (gone)
        m_error = HistoryMessages::savedSearchGone();
    if (!written)
        return std::nullopt;
    return added;
}

std::optional<QStringList> LibraryStore::newPmids(qint64 id)
{
    QSqlQuery query = queryOn(m_connection);
    // Newest first, as PubMed lists the recent ones: later checks, higher PMIDs.
    query.prepare(QStringLiteral("SELECT pmid FROM saved_search_pmid WHERE saved_search = ? AND is_new"
                                 " ORDER BY found DESC, pmid DESC"));
    query.addBindValue(id);
    if (!query.exec()) {
        fail(QStringLiteral("reading the new PMIDs"), query);
        return std::nullopt;
    }
    QStringList pmids;
    while (query.next())
        pmids.append(query.value(0).toString());
    return pmids;
}

bool LibraryStore::markAllSeen(qint64 id)
{
    return write([&](QSqlQuery &query) {
        query.prepare(QStringLiteral("UPDATE saved_search_pmid SET is_new = 0 WHERE saved_search = ? AND is_new"));
        query.addBindValue(id);
        return query.exec();
    });
}

bool LibraryStore::markSeen(qint64 id, const QStringList &pmids)
{
    QList<qint64> numbers;
    for (const QString &pmid : pmids)
        numbers.append(pmid.toLongLong());
    return write([&](QSqlQuery &query) {
        query.prepare(QStringLiteral("UPDATE saved_search_pmid SET is_new = 0"
                                     " WHERE saved_search = ? AND is_new AND pmid IN (SELECT value FROM json_each(?))"));
        query.addBindValue(id);
        query.addBindValue(idArray(numbers));
        return query.exec();
    });
}
