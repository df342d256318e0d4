#pragma once

#include "review/ReviewDuplicates.h"

#include <QString>

#include <optional>

class ReviewStore;

// Deduplicates a review's records as they stand: the sure duplicates merged
// in one transaction (unless only looked at), the uncertain pairs returned
// for the user; pairs the user judged distinct are not offered again.
namespace ReviewDeduplication {
std::optional<ReviewDuplicates::Found> run(ReviewStore &store, qint64 review, const QString &who, bool dryRun);
// The user confirmed an uncertain pair: the more complete record is kept.
bool confirm(ReviewStore &store, qint64 review, qint64 first, qint64 second, const QString &who);
} // namespace ReviewDeduplication
