#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The orders ESearch can give the matches of a query in. Recent is the
// service's own order when no sort is asked for (the newest entries first);
// Relevance is Best Match, which the E-utilities compute on their own and
// which can differ from the PubMed site's.
enum class SortOrder { Recent, Relevance, PubDate, Author, Journal };

namespace SortOrders {
QList<SortOrder> all();
// "recent", "relevance", "pub_date", "author", "journal": the command line's
// values and what the preferences store.
QString name(SortOrder order);
QStringList names();
// The order with that name; none for any other text.
std::optional<SortOrder> named(const QString &name);
// "Most recent", "Best match", ...: what the window offers.
QString label(SortOrder order);
// ESearch's sort= value; empty for Recent, which sends none.
QString parameter(SortOrder order);
} // namespace SortOrders
