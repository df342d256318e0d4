#include "library/ArticleRanking.h"

#include <QSqlDriver>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <vector>

namespace {

// In the order of article_text's columns: title, abstract, authors, journal,
// keywords, MeSH headings, note. Short, chosen words weigh more than the
// running text of an abstract.
constexpr std::array<double, 7> kColumnWeights = {5.0, 1.0, 3.0, 2.0, 3.0, 3.0, 3.0};
// bm25's saturation: the k1 FTS5 uses.
constexpr double kSaturation = 1.2;

// How rare each word of the query is, computed once per query.
struct Rarity
{
    std::vector<double> idf;
};

int countRow(const Fts5ExtensionApi *, Fts5Context *, void *rows)
{
    ++*static_cast<sqlite3_int64 *>(rows);
    return SQLITE_OK;
}

// bm25's inverse document frequency, kept positive for a word most rows hold.
// One word's rarity weighs every match alike and changes no order: it is
// left out, which spares reading all of its matches a second time.
int rarities(const Fts5ExtensionApi *api, Fts5Context *fts, int phrases, Rarity &rarity)
{
    rarity.idf.assign(size_t(phrases), 1.0);
    if (phrases < 2)
        return SQLITE_OK;
    sqlite3_int64 total = 0;
    int rc = api->xRowCount(fts, &total);
    for (int phrase = 0; rc == SQLITE_OK && phrase < phrases; ++phrase) {
        sqlite3_int64 holding = 0;
        rc = api->xQueryPhrase(fts, phrase, &holding, countRow);
        if (rc == SQLITE_OK && (holding > total || total < 0))
            return SQLITE_CORRUPT_VTAB;
        const double idf = std::log((double(total - holding) + 0.5) / (double(holding) + 0.5));
        rarity.idf[size_t(phrase)] = std::max(idf, 1e-6);
    }
    return rc;
}

// Fails the search, naming the article whose entry in the index is damaged.
void damaged(const Fts5ExtensionApi *api, Fts5Context *fts, sqlite3_context *context)
{
    const QByteArray message = QStringLiteral("the text index of the article with PMID %1 is damaged")
                                   .arg(api->xRowid(fts))
                                   .toUtf8();
    sqlite3_result_error(context, message.constData(), int(message.size()));
}

void rank(const Fts5ExtensionApi *api, Fts5Context *fts, sqlite3_context *context, int, sqlite3_value **)
{
    const int phrases = api->xPhraseCount(fts);
    auto *rarity = static_cast<Rarity *>(api->xGetAuxdata(fts, 0));
    if (!rarity) {
        if (api->xColumnCount(fts) != int(kColumnWeights.size())) {
            sqlite3_result_error(context, "article_rank: not the library's text index", -1);
            return;
        }
        auto made = std::make_unique<Rarity>();
        int rc = rarities(api, fts, phrases, *made);
        // From here FTS5 owns it, and frees it itself when keeping it fails.
        if (rc == SQLITE_OK) {
            rarity = made.release();
            rc = api->xSetAuxdata(fts, rarity, [](void *p) { delete static_cast<Rarity *>(p); });
        }
        if (rc == SQLITE_CORRUPT_VTAB) {
            damaged(api, fts, context);
            return;
        }
        if (rc != SQLITE_OK) {
            sqlite3_result_error_code(context, rc);
            return;
        }
    }
    double score = 0;
    for (int phrase = 0; phrase < phrases; ++phrase) {
        std::array<int, kColumnWeights.size()> occurrences{};
        Fts5PhraseIter it;
        int column = 0;
        int offset = 0;
        const int rc = api->xPhraseFirst(fts, phrase, &it, &column, &offset);
        if (rc != SQLITE_OK) {
            sqlite3_result_error_code(context, rc);
            return;
        }
        for (; column >= 0; api->xPhraseNext(fts, &it, &column, &offset)) {
            // The index is read from the file as it is: a column it names
            // is checked, never trusted.
            if (size_t(column) >= occurrences.size()) {
                damaged(api, fts, context);
                return;
            }
            ++occurrences[size_t(column)];
        }
        double weighted = 0;
        for (size_t c = 0; c < occurrences.size(); ++c) {
            const double n = occurrences[c];
            weighted += kColumnWeights[c] * n * (kSaturation + 1) / (n + kSaturation);
        }
        score += rarity->idf[size_t(phrase)] * weighted;
    }
    sqlite3_result_double(context, score);
}

} // namespace

bool ArticleRanking::install(const QSqlDatabase &db, QString &error)
{
    const QVariant handle = db.driver()->handle();
    if (qstrcmp(handle.typeName(), "sqlite3*") != 0 || !*static_cast<sqlite3 *const *>(handle.constData())) {
        error = QStringLiteral("the database driver is not SQLite");
        return false;
    }
    // Calls into another copy of SQLite than the driver's would corrupt
    // its state; a differing build is the sign of one.
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT sqlite_source_id()")) || !query.next()
        || query.value(0).toString() != QLatin1String(sqlite3_sourceid())) {
        error = QStringLiteral("Qt's SQLite driver uses another SQLite (%1) than this build (%2)")
                    .arg(query.value(0).toString(), QLatin1String(sqlite3_sourceid()));
        return false;
    }
    sqlite3 *connection = *static_cast<sqlite3 *const *>(handle.constData());
    fts5_api *fts5 = nullptr;
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(connection, "SELECT fts5(?1)", -1, &statement, nullptr) == SQLITE_OK) {
        sqlite3_bind_pointer(statement, 1, &fts5, "fts5_api_ptr", nullptr);
        sqlite3_step(statement);
    }
    sqlite3_finalize(statement);
    if (!fts5 || fts5->iVersion < 2) {
        error = QStringLiteral("SQLite has no full-text search (FTS5)");
        return false;
    }
    if (fts5->xCreateFunction(fts5, ArticleRanking::kFunction, nullptr, rank, nullptr) != SQLITE_OK) {
        error = QString::fromUtf8(sqlite3_errmsg(connection));
        return false;
    }
    return true;
}
