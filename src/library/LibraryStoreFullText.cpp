#include "library/LibraryStore.h"

#include "library/FullTextFiles.h"
#include "library/LibraryMessages.h"
#include "library/OfflineQuery.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

namespace {

constexpr int kSectionCount = 10;

// How much each part counts in ranking a match: the title and the abstract
// say what an article is about more than a passage of its methods does.
constexpr char kRanking[] = "bm25(fulltext_text, 5.0, 3.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 0.5, 0.5)";

FullTextRow rowFrom(const QSqlQuery &query)
{
    FullTextRow row;
    row.pmid = query.value(0).toLongLong();
    row.kind = FullTextFiles::kindNamed(query.value(1).toString()).value_or(FullTextKind::Text);
    row.source = query.value(2).toString();
    row.address = query.value(3).toString();
    row.licence = query.value(4).toString();
    row.version = query.value(5).toString();
    row.size = query.value(6).toLongLong();
    row.checksum = query.value(7).toString();
    row.fetched = QDateTime::fromString(query.value(8).toString(), Qt::ISODateWithMs);
    return row;
}

} // namespace

QString LibraryStore::fullTextFolder() const
{
    return FullTextFiles::folder(m_path);
}

bool LibraryStore::recordFullText(const FullTextRow &row, const QStringList &sections)
{
    return write([&](QSqlQuery &query) {
        query.prepare(QStringLiteral("INSERT OR REPLACE INTO fulltext"
                                     " (pmid, kind, source, address, licence, version, size, checksum, fetched)"
                                     " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"));
        // A null QString would bind as NULL.
        const auto text = [](const QString &value) { return QVariant(value.isNull() ? QStringLiteral("") : value); };
        for (const QVariant &value : {QVariant(row.pmid), text(FullTextFiles::kindName(row.kind)), text(row.source), text(row.address),
                                      text(row.licence), text(row.version), QVariant(row.size), text(row.checksum),
                                      text(row.fetched.toUTC().toString(Qt::ISODateWithMs))})
            query.addBindValue(value);
        if (!query.exec())
            return false;
        if (row.kind != FullTextKind::Text)
            return true;
        query.prepare(QStringLiteral("DELETE FROM fulltext_text WHERE rowid = ?"));
        query.addBindValue(row.pmid);
        if (!query.exec())
            return false;
        query.prepare(QStringLiteral("INSERT INTO fulltext_text (rowid, title, abstract, introduction, methods, results,"
                                     " discussion, conclusions, captions, \"references\", other) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
        query.addBindValue(row.pmid);
        for (int i = 0; i < kSectionCount; ++i)
            query.addBindValue(sections.value(i));
        return query.exec();
    });
}

bool LibraryStore::forgetFullText(qint64 pmid, FullTextKind kind)
{
    const bool forgotten = write([&](QSqlQuery &query) {
        query.prepare(QStringLiteral("DELETE FROM fulltext WHERE pmid = ? AND kind = ?"));
        query.addBindValue(pmid);
        query.addBindValue(FullTextFiles::kindName(kind));
        return query.exec();
    });
    if (forgotten)
        QFile::remove(FullTextFiles::path(m_path, pmid, kind));
    return forgotten;
}

std::optional<QList<FullTextRow>> LibraryStore::fullTexts(const PmidList &pmids)
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    const QString columns = QStringLiteral("SELECT pmid, kind, source, address, licence, version, size, checksum, fetched FROM fulltext");
    QList<FullTextRow> rows;
    if (pmids.isEmpty()) {
        if (!query.exec(columns + QStringLiteral(" ORDER BY pmid, kind"))) {
            fail(QStringLiteral("reading the full texts"), query);
            return std::nullopt;
        }
        while (query.next())
            rows.append(rowFrom(query));
        return rows;
    }
    query.prepare(columns + QStringLiteral(" WHERE pmid = ? ORDER BY kind"));
    for (const qint64 pmid : pmids) {
        query.addBindValue(pmid);
        if (!query.exec()) {
            fail(QStringLiteral("reading the full texts"), query);
            return std::nullopt;
        }
        while (query.next())
            rows.append(rowFrom(query));
    }
    return rows;
}

namespace {

const QStringList &partNames()
{
    static const QStringList names = {
        QStringLiteral("title"),      QStringLiteral("abstract"),   QStringLiteral("introduction"), QStringLiteral("methods"),
        QStringLiteral("results"),    QStringLiteral("discussion"), QStringLiteral("conclusions"),  QStringLiteral("captions"),
        QStringLiteral("references"), QStringLiteral("other")};
    return names;
}

// The part a leading "methods:" names, and the words after it; none without one.
std::optional<std::pair<QString, QString>> namedPart(const QString &text)
{
    const qsizetype colon = text.indexOf(u':');
    const QString part = text.left(colon).trimmed().toLower();
    if (colon <= 0 || !partNames().contains(part))
        return std::nullopt;
    return std::pair(part, text.mid(colon + 1));
}

} // namespace

bool LibraryStore::isFullTextPart(const QString &text)
{
    return namedPart(text).has_value();
}

std::optional<QList<FullTextHit>> LibraryStore::searchFullTexts(const QString &text, const QString &section, int limit,
                                                                std::optional<qint64> collection)
{
    const std::optional<std::pair<QString, QString>> named = namedPart(text);
    const QString part = named ? named->first : section.toLower();
    const std::optional<QString> words = OfflineQuery::fromUserText(named ? named->second : text);
    if (!words) {
        m_error = LibraryMessages::tooManyWords(OfflineQuery::kMaxWords);
        return std::nullopt;
    }
    QString match = *words;
    if (match.isEmpty())
        return QList<FullTextHit>();
    if (!part.isEmpty()) {
        if (!partNames().contains(part)) {
            m_error = LibraryMessages::noFullTextPart(section);
            return std::nullopt;
        }
        match = QStringLiteral("{%1} : (%2)").arg(part, match);
    }
    return matchFullTexts(match, collection, limit);
}

std::optional<QList<FullTextHit>> LibraryStore::matchFullTexts(const QString &match, std::optional<qint64> collection, int limit)
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    const QString join = collection ? QStringLiteral(" JOIN collection_article c ON c.pmid = t.rowid AND c.collection = ?") : QString();
    query.prepare(QStringLiteral("SELECT t.rowid, snippet(fulltext_text, -1, ?, ?, ?, 24) FROM fulltext_text t%1"
                                 " WHERE fulltext_text MATCH ? ORDER BY %2, t.rowid LIMIT ?")
                      .arg(join, QLatin1String(kRanking)));
    query.addBindValue(QString(FullTextHit::kHitStart));
    query.addBindValue(QString(FullTextHit::kHitEnd));
    query.addBindValue(QStringLiteral("…"));
    if (collection)
        query.addBindValue(*collection);
    query.addBindValue(match);
    query.addBindValue(limit);
    if (!query.exec()) {
        fail(QStringLiteral("searching the full texts"), query);
        return std::nullopt;
    }
    QList<FullTextHit> hits;
    while (query.next())
        hits.append({query.value(0).toLongLong(), query.value(1).toString()});
    return hits;
}

std::optional<PmidList> LibraryStore::withFullTextMatches(PmidList pmids, const QString &match, std::optional<qint64> collection,
                                                         int limit, QHash<qint64, QString> *passages)
{
    const std::optional<QList<FullTextHit>> hits = matchFullTexts(match, collection, limit);
    if (!hits)
        return std::nullopt;
    const QSet<qint64> found(pmids.cbegin(), pmids.cend());
    for (const FullTextHit &hit : *hits) {
        if (passages)
            passages->insert(hit.pmid, hit.snippet);
        if (limit >= 0 && pmids.size() >= limit)
            continue;
        if (!found.contains(hit.pmid))
            pmids.append(hit.pmid);
    }
    return pmids;
}

void LibraryStore::sweepFullTextFiles()
{
    const QDir folder(fullTextFolder());
    if (!folder.exists())
        return;
    // Listed before the rows are read: a file renamed into place after the
    // listing is not in it, and one in it has its row committed already.
    const QFileInfoList files = folder.entryInfoList(QDir::Files | QDir::Hidden);
    const std::optional<QList<FullTextRow>> rows = fullTexts();
    if (!rows)
        return;
    QSet<QString> kept;
    for (const FullTextRow &row : *rows)
        kept.insert(FullTextFiles::fileName(row.pmid, row.kind));
    for (const QFileInfo &file : files) {
        const std::optional<std::pair<qint64, FullTextKind>> named = FullTextFiles::named(file.fileName());
        if ((named && !kept.contains(file.fileName())) || FullTextFiles::isAbandoned(file))
            QFile::remove(file.absoluteFilePath());
    }
}

bool LibraryStore::backupFullTexts(const QString &target)
{
    const std::optional<QList<FullTextRow>> rows = fullTexts();
    if (!rows)
        return false;
    const QString copies = target + QStringLiteral(".fulltext");
    QDir folder(copies);
    if (rows->isEmpty() && !folder.exists())
        return true;
    if (!QDir().mkpath(copies) || !QFile::setPermissions(copies, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner)) {
        m_error = QStringLiteral("The full texts could not be backed up to %1.").arg(copies);
        return false;
    }
    QSet<QString> copied;
    for (const FullTextRow &row : *rows) {
        const QString name = FullTextFiles::fileName(row.pmid, row.kind);
        const QString from = FullTextFiles::path(m_path, row.pmid, row.kind);
        // A file missing on disk is reported where it is opened; the rest are copied.
        if (!QFileInfo::exists(from))
            continue;
        const QFileInfo existing(folder.filePath(name));
        if (!(existing.exists() && existing.size() == row.size && existing.lastModified() >= QFileInfo(from).lastModified())) {
            QFile::remove(existing.filePath());
            if (!QFile::copy(from, existing.filePath())) {
                m_error = QStringLiteral("The full text %1 could not be backed up to %2.").arg(name, copies);
                return false;
            }
        }
        copied.insert(name);
    }
    for (const QString &name : folder.entryList(QDir::Files)) {
        if (!copied.contains(name))
            folder.remove(name);
    }
    return true;
}

std::optional<QList<qint64>> LibraryStore::fullTextPmids()
{
    // Straight from the primary key, as the library marks are read: the
    // window asks at every start.
    return readPmids("SELECT DISTINCT pmid FROM fulltext", {});
}
