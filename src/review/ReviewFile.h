#pragma once

#include "review/Review.h"

#include <QByteArray>
#include <QString>

#include <optional>

class ReviewStore;

// A whole review in one file another Vexmoor reads: its question and
// criteria, every source with its records, the merges in force and every
// decision with who made it and when (JSON, UTF-8).
namespace ReviewFile {

inline constexpr char kSuffix[] = "vexmoor-review";

std::optional<QByteArray> write(ReviewStore &store, const Review &review);
// Makes the review of `bytes` anew, under its own name or `name`; its id, or
// nothing with `error` set (nothing is kept of a file that fails).
std::optional<qint64> read(ReviewStore &store, const QByteArray &bytes, QString &error, const QString &name = {});
// Another screener's decisions from their copy of the review, onto the same
// records of `review` (found by PMID, DOI, or title and year); decisions by
// `me` are left out. How many were taken, or nothing with `error` set.
std::optional<qsizetype> importDecisions(ReviewStore &store, const Review &review, const QByteArray &bytes,
                                         const QString &me, QString &error);

} // namespace ReviewFile
