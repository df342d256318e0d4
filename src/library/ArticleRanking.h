#pragma once

#include <QSqlDatabase>
#include <QString>

// "Best match first" for the library's text index, cheaper than FTS5's bm25.
//
// bm25 looks up the length of every matching row, a B-tree search each; with
// a word in 40% of a 100,000-article library that is most of a search's
// time. This ranker reads only what the match has already loaded, the
// positions of the words: per word, the saturated count of its occurrences
// in each column (a word said ten times counts about twice a word said
// once), weighted by the column (a title counts more than an abstract) and
// by how rare the word is in the library (bm25's idf). It leaves out
// bm25's penalty on long rows; the column weights carry most of what that
// penalty gave.
namespace ArticleRanking {

// The SQL function: article_rank(article_text), larger is better.
inline constexpr char kFunction[] = "article_rank";

// Makes the function known to `db`, an open SQLite connection of Qt's
// driver. Fails, with `error` set, when the driver's SQLite is not the one
// this build links or has no FTS5.
bool install(const QSqlDatabase &db, QString &error);

} // namespace ArticleRanking
