#include "review/ReviewStore.h"

#include "library/LibraryStore.h"
#include "review/ReviewMessages.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

QString now()
{
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
}

QString lines(const QStringList &list)
{
    return list.join(u'\n');
}

// Empty text, never NULL: the columns hold text even where a field was never given.
QVariant bound(const QString &text)
{
    return text.isNull() ? QVariant(QStringLiteral("")) : QVariant(text);
}

QVariant bound(qint64 number)
{
    return QVariant(number);
}

// Binds `values` to the prepared query in order and runs it.
bool execWith(QSqlQuery &query, std::initializer_list<QVariant> values)
{
    for (const QVariant &value : values)
        query.addBindValue(value);
    return query.exec();
}

QStringList unlines(const QString &text)
{
    return text.split(u'\n', Qt::SkipEmptyParts);
}

Review reviewAt(const QSqlQuery &q)
{
    return {q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toString(), q.value(3).toString(),
            q.value(4).toString(), unlines(q.value(5).toString()), unlines(q.value(6).toString()),
            QDateTime::fromString(q.value(7).toString(), Qt::ISODateWithMs)};
}

const QString kReviewColumns = QStringLiteral("id, name, question, inclusion, exclusion, reasons, highlights, created");
const QString kRecordColumns = QStringLiteral(
    "id, source, title, authors, journal, year, volume, issue, pages, doi, pmid, abstract, keywords, merged_into");

} // namespace

bool ReviewStore::write(const std::function<bool(QSqlQuery &)> &change, LibraryStore::Sync sync)
{
    m_error.clear();
    const bool done = m_library.write(change, sync);
    if (!done && m_error.isEmpty())
        m_error = m_library.error();
    return done;
}

bool ReviewStore::each(const QString &sql, const QVariantList &values, const std::function<void(const QSqlQuery &)> &row)
{
    m_error.clear();
    QSqlQuery query(QSqlDatabase::database(m_library.m_connection, false));
    query.setForwardOnly(true);
    query.prepare(sql);
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (!query.exec()) {
        m_error = QStringLiteral("The library %1 failed: %2").arg(m_library.path(), query.lastError().text());
        return false;
    }
    while (query.next())
        row(query);
    return true;
}

bool ReviewStore::fail(const QString &message)
{
    m_error = message;
    return false;
}

std::optional<qint64> ReviewStore::createReview(const Review &review)
{
    if (review.name.trimmed().isEmpty()) {
        fail(ReviewMessages::emptyName());
        return std::nullopt;
    }
    qint64 id = 0;
    const bool done = write([&](QSqlQuery &q) {
        q.prepare(QStringLiteral("SELECT 1 FROM review WHERE name = ?"));
        q.addBindValue(review.name.trimmed());
        if (!q.exec())
            return false;
        if (q.next())
            return fail(ReviewMessages::nameTaken(review.name.trimmed()));
        q.prepare(QStringLiteral("INSERT INTO review (name, question, inclusion, exclusion, reasons, highlights, created)"
                                 " VALUES (?, ?, ?, ?, ?, ?, ?)"));
        if (!execWith(q, {bound(review.name.trimmed()), bound(review.question), bound(review.inclusion),
                          bound(review.exclusion), bound(lines(review.reasons)), bound(lines(review.highlights)),
                          bound(now())}))
            return false;
        id = q.lastInsertId().toLongLong();
        return true;
    });
    return done ? std::optional(id) : std::nullopt;
}

bool ReviewStore::updateReview(const Review &review)
{
    return write([&](QSqlQuery &q) {
        q.prepare(QStringLiteral("UPDATE review SET name = ?, question = ?, inclusion = ?, exclusion = ?, reasons = ?,"
                                 " highlights = ? WHERE id = ?"));
        if (!execWith(q, {bound(review.name.trimmed()), bound(review.question), bound(review.inclusion),
                          bound(review.exclusion), bound(lines(review.reasons)), bound(lines(review.highlights)),
                          bound(review.id)}))
            return q.lastError().nativeErrorCode() == QLatin1String("2067") ? fail(ReviewMessages::nameTaken(review.name))
                                                                            : false;
        return q.numRowsAffected() == 1 || fail(ReviewMessages::noSuchReview(review.name));
    });
}

bool ReviewStore::deleteReview(qint64 id)
{
    return write([&](QSqlQuery &q) {
        // Merged records point at the records kept; gone together, in one step.
        q.prepare(QStringLiteral("UPDATE review_record SET merged_into = NULL WHERE review = ?"));
        q.addBindValue(id);
        if (!q.exec())
            return false;
        q.prepare(QStringLiteral("DELETE FROM review WHERE id = ?"));
        q.addBindValue(id);
        return q.exec();
    });
}

std::optional<QList<Review>> ReviewStore::reviews()
{
    QList<Review> out;
    if (!each(QStringLiteral("SELECT %1 FROM review ORDER BY name COLLATE NOCASE").arg(kReviewColumns), {},
              [&](const QSqlQuery &q) { out.append(reviewAt(q)); }))
        return std::nullopt;
    return out;
}

std::optional<Review> ReviewStore::review(const QString &name)
{
    std::optional<Review> out;
    if (each(QStringLiteral("SELECT %1 FROM review WHERE name = ?").arg(kReviewColumns), {name},
             [&](const QSqlQuery &q) { out = reviewAt(q); })
        && !out)
        fail(ReviewMessages::noSuchReview(name));
    return out;
}

std::optional<qint64> ReviewStore::addSource(qint64 review, ReviewSource source, const ReviewRecords &records)
{
    source.count = records.size();
    const bool done = write([&](QSqlQuery &q) {
        q.prepare(QStringLiteral("INSERT INTO review_source (review, database, interface, strategy, searched, count)"
                                 " VALUES (?, ?, ?, ?, ?, ?)"));
        if (!execWith(q, {bound(review), bound(source.database), bound(source.interface), bound(source.strategy),
                          bound(source.searched.toString(Qt::ISODate)), bound(source.count)}))
            return false;
        source.id = q.lastInsertId().toLongLong();
        q.prepare(QStringLiteral("INSERT INTO review_record (review, source, title, authors, journal, year, volume,"
                                 " issue, pages, doi, pmid, abstract, keywords) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
        for (const ReviewRecord &r : records) {
            if (!execWith(q, {bound(review), bound(source.id), bound(r.title), bound(lines(r.authors)),
                              bound(r.journal), bound(r.year), bound(r.volume), bound(r.issue), bound(r.pages),
                              bound(r.doi), bound(r.pmid), bound(r.abstract), bound(lines(r.keywords))}))
                return false;
        }
        return true;
    });
    return done ? std::optional(source.id) : std::nullopt;
}

bool ReviewStore::updateRecords(qint64 review, const ReviewRecords &records)
{
    return write([&](QSqlQuery &q) {
        q.prepare(QStringLiteral("UPDATE review_record SET title = ?, authors = ?, journal = ?, year = ?, volume = ?, issue = ?,"
                                 " pages = ?, doi = ?, pmid = ?, abstract = ?, keywords = ? WHERE id = ? AND review = ?"));
        for (const ReviewRecord &r : records) {
            if (!execWith(q, {bound(r.title), bound(lines(r.authors)), bound(r.journal), bound(r.year),
                              bound(r.volume), bound(r.issue), bound(r.pages), bound(r.doi), bound(r.pmid),
                              bound(r.abstract), bound(lines(r.keywords)), bound(r.id), bound(review)}))
                return false;
            if (q.numRowsAffected() != 1)
                return fail(ReviewMessages::noSuchRecord());
        }
        return true;
    });
}

std::optional<QList<ReviewSource>> ReviewStore::sources(qint64 review)
{
    QList<ReviewSource> out;
    if (!each(QStringLiteral("SELECT id, database, interface, strategy, searched, count FROM review_source"
                             " WHERE review = ? ORDER BY id"),
              {review}, [&](const QSqlQuery &q) {
                  out.append({q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toString(), q.value(3).toString(),
                              QDate::fromString(q.value(4).toString(), Qt::ISODate), q.value(5).toLongLong()});
              }))
        return std::nullopt;
    return out;
}

std::optional<ReviewRecords> ReviewStore::records(qint64 review, bool withMerged)
{
    ReviewRecords out;
    const QString sql = QStringLiteral("SELECT %1 FROM review_record WHERE review = ?%2 ORDER BY id")
                            .arg(kRecordColumns, withMerged ? QString() : QStringLiteral(" AND merged_into IS NULL"));
    if (!each(sql, {review}, [&](const QSqlQuery &q) {
            ReviewRecord r;
            r.id = q.value(0).toLongLong();
            r.source = q.value(1).toLongLong();
            r.title = q.value(2).toString();
            r.authors = unlines(q.value(3).toString());
            r.journal = q.value(4).toString();
            r.year = q.value(5).toString();
            r.volume = q.value(6).toString();
            r.issue = q.value(7).toString();
            r.pages = q.value(8).toString();
            r.doi = q.value(9).toString();
            r.pmid = q.value(10).toString();
            r.abstract = q.value(11).toString();
            r.keywords = unlines(q.value(12).toString());
            r.mergedInto = q.value(13).toLongLong();
            out.append(r);
        }))
        return std::nullopt;
    return out;
}

std::optional<QHash<qint64, QStringList>> ReviewStore::foundIn(qint64 review)
{
    QHash<qint64, QStringList> out;
    // A record merged into one later merged itself follows the chain to the record standing now.
    if (!each(QStringLiteral("WITH RECURSIVE standing (id, top) AS ("
                             " SELECT id, id FROM review_record WHERE review = ? AND merged_into IS NULL"
                             " UNION ALL SELECT r.id, s.top FROM review_record r JOIN standing s ON r.merged_into = s.id)"
                             " SELECT s.top, src.database FROM standing s JOIN review_record r ON r.id = s.id"
                             " JOIN review_source src ON src.id = r.source ORDER BY s.top, src.id"),
              {review}, [&](const QSqlQuery &q) {
                  QStringList &names = out[q.value(0).toLongLong()];
                  if (const QString database = q.value(1).toString(); !names.contains(database))
                      names.append(database);
              }))
        return std::nullopt;
    return out;
}

bool ReviewStore::merge(qint64 review, const QList<ReviewDuplicates::Merge> &merges, const QString &who)
{
    QList<ReviewMerge> made;
    const QDateTime at = QDateTime::currentDateTimeUtc();
    for (const ReviewDuplicates::Merge &m : merges)
        made.append({0, m.kept, m.merged, m.rule, who, at});
    return addMerges(review, made);
}

bool ReviewStore::addMerges(qint64 review, const QList<ReviewMerge> &merges)
{
    return write([&](QSqlQuery &q) {
        for (const ReviewMerge &m : merges) {
            q.prepare(QStringLiteral("SELECT pmid, doi FROM review_record WHERE review = ? AND id IN (?, ?)"
                                     " AND merged_into IS NULL"));
            q.addBindValue(review);
            q.addBindValue(m.kept);
            q.addBindValue(m.merged);
            if (!q.exec())
                return false;
            QStringList pmids, dois;
            while (q.next()) {
                pmids.append(q.value(0).toString().trimmed());
                dois.append(ReviewDuplicates::normalizedDoi(q.value(1).toString()));
            }
            if (pmids.size() != 2)
                return fail(ReviewMessages::noSuchRecord());
            if (ReviewDuplicates::identifiersClash(pmids.at(0), pmids.at(1))
                || ReviewDuplicates::identifiersClash(dois.at(0), dois.at(1)))
                return fail(ReviewMessages::identifiersDiffer());
            q.prepare(QStringLiteral("UPDATE review_record SET merged_into = ? WHERE id = ?"));
            q.addBindValue(m.kept);
            q.addBindValue(m.merged);
            if (!q.exec())
                return false;
            q.prepare(QStringLiteral("INSERT INTO review_merge (review, kept, merged, rule, who, at) VALUES (?, ?, ?, ?, ?, ?)"));
            const QDateTime at = m.at.isValid() ? m.at : QDateTime::currentDateTimeUtc();
            if (!execWith(q, {bound(review), bound(m.kept), bound(m.merged), bound(m.rule), bound(m.who),
                              bound(at.toUTC().toString(Qt::ISODateWithMs))}))
                return false;
        }
        return true;
    });
}

std::optional<QList<ReviewMerge>> ReviewStore::merges(qint64 review)
{
    QList<ReviewMerge> out;
    if (!each(QStringLiteral("SELECT id, kept, merged, rule, who, at FROM review_merge"
                             " WHERE review = ? AND undone IS NULL ORDER BY id"),
              {review}, [&](const QSqlQuery &q) {
                  out.append({q.value(0).toLongLong(), q.value(1).toLongLong(), q.value(2).toLongLong(), q.value(3).toString(),
                              q.value(4).toString(), QDateTime::fromString(q.value(5).toString(), Qt::ISODateWithMs)});
              }))
        return std::nullopt;
    return out;
}

bool ReviewStore::undoMerge(qint64 review, qint64 mergeId)
{
    return write([&](QSqlQuery &q) {
        q.prepare(QStringLiteral("UPDATE review_merge SET undone = ? WHERE id = ? AND review = ? AND undone IS NULL"
                                 " RETURNING merged"));
        q.addBindValue(now());
        q.addBindValue(mergeId);
        q.addBindValue(review);
        if (!q.exec())
            return false;
        if (!q.next())
            return fail(ReviewMessages::noSuchRecord());
        const qint64 merged = q.value(0).toLongLong();
        q.finish();
        q.prepare(QStringLiteral("UPDATE review_record SET merged_into = NULL WHERE id = ?"));
        q.addBindValue(merged);
        return q.exec();
    });
}

bool ReviewStore::markDistinct(qint64 review, qint64 first, qint64 second)
{
    return write([&](QSqlQuery &q) {
        q.prepare(QStringLiteral("INSERT OR IGNORE INTO review_distinct (review, first, second) VALUES (?, ?, ?)"));
        q.addBindValue(review);
        q.addBindValue(std::min(first, second));
        q.addBindValue(std::max(first, second));
        return q.exec();
    });
}

std::optional<QList<QPair<qint64, qint64>>> ReviewStore::distinctPairs(qint64 review)
{
    QList<QPair<qint64, qint64>> out;
    if (!each(QStringLiteral("SELECT first, second FROM review_distinct WHERE review = ?"), {review},
              [&](const QSqlQuery &q) { out.append({q.value(0).toLongLong(), q.value(1).toLongLong()}); }))
        return std::nullopt;
    return out;
}

bool ReviewStore::decide(qint64 review, const ScreeningDecision &d, LibraryStore::Sync sync)
{
    return addDecisions(review, {d}, sync);
}

bool ReviewStore::syncDecisions()
{
    m_error.clear();
    if (m_library.syncToDisk())
        return true;
    m_error = m_library.error();
    return false;
}

bool ReviewStore::addDecisions(qint64 review, const QList<ScreeningDecision> &decisions, LibraryStore::Sync sync)
{
    return write([&](QSqlQuery &q) {
        q.prepare(QStringLiteral("INSERT INTO review_decision (review, record, stage, choice, reason, who, at)"
                                 " SELECT ?, id, ?, ?, ?, ?, ? FROM review_record WHERE id = ? AND review = ?"));
        for (const ScreeningDecision &d : decisions) {
            const QDateTime at = d.at.isValid() ? d.at : QDateTime::currentDateTimeUtc();
            if (!execWith(q, {bound(review), bound(stageKey(d.stage)), bound(choiceKey(d.choice)),
                              bound(d.choice == ScreeningChoice::Exclude ? d.reason : QString()), bound(d.who),
                              bound(at.toUTC().toString(Qt::ISODateWithMs)), bound(d.record), bound(review)}))
                return false;
            if (q.numRowsAffected() != 1)
                return fail(ReviewMessages::noSuchRecord());
        }
        return true;
    }, sync);
}

std::optional<qint64> ReviewStore::undoDecision(qint64 review, ScreeningStage stage, const QString &who)
{
    std::optional<qint64> record;
    write([&](QSqlQuery &q) {
        q.prepare(QStringLiteral("DELETE FROM review_decision WHERE id = (SELECT max(id) FROM review_decision"
                                 " WHERE review = ? AND stage = ? AND who = ?) RETURNING record"));
        q.addBindValue(review);
        q.addBindValue(stageKey(stage));
        q.addBindValue(who);
        if (!q.exec())
            return false;
        if (q.next())
            record = q.value(0).toLongLong();
        return true;
    });
    return record;
}

std::optional<QHash<qint64, ScreeningDecision>> ReviewStore::decisions(qint64 review, ScreeningStage stage,
                                                                         const QString &who)
{
    QHash<qint64, ScreeningDecision> out;
    QVariantList values{review, stageKey(stage)};
    if (!who.isEmpty())
        values.append(who);
    // In the order made: the newest overwrites.
    if (!each(QStringLiteral("SELECT record, choice, reason, who, at FROM review_decision WHERE review = ? AND stage = ?%1 ORDER BY id")
                  .arg(who.isEmpty() ? QString() : QStringLiteral(" AND who = ?")),
              values, [&](const QSqlQuery &q) {
                  const std::optional<ScreeningChoice> choice = choiceFromKey(q.value(1).toString());
                  const qint64 record = q.value(0).toLongLong();
                  if (choice)
                      out.insert(record, {record, stage, *choice, q.value(2).toString(), q.value(3).toString(),
                                          QDateTime::fromString(q.value(4).toString(), Qt::ISODateWithMs)});
              }))
        return std::nullopt;
    return out;
}

std::optional<QStringList> ReviewStore::screeners(qint64 review, ScreeningStage stage)
{
    QStringList out;
    if (!each(QStringLiteral("SELECT DISTINCT who FROM review_decision WHERE review = ? AND stage = ? ORDER BY who"),
              {review, stageKey(stage)}, [&](const QSqlQuery &q) { out.append(q.value(0).toString()); }))
        return std::nullopt;
    return out;
}
