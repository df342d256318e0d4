#include "ArticleSorting.h"

#include <QCollator>

#include <algorithm>
#include <numeric>
#include <vector>

std::vector<qsizetype> sortArticles(ArticleList &articles, ArticleRecord::Key key, Qt::SortOrder order)
{
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);

    // One collation key per record, so the sort compares bytes, not strings
    // through the collator n log n times.
    std::vector<QCollatorSortKey> keys;
    keys.reserve(size_t(articles.size()));
    // Under the C locale Qt's sort keys are the plain UTF-8 bytes, blind to
    // the case setting; folding first keeps "acute" beside "Acute" there too.
    for (const ArticleRecord &record : std::as_const(articles))
        keys.push_back(collator.sortKey(record.text(key).toCaseFolded()));

    std::vector<qsizetype> permutation(size_t(articles.size()));
    std::iota(permutation.begin(), permutation.end(), 0);
    std::stable_sort(permutation.begin(), permutation.end(), [&](qsizetype a, qsizetype b) {
        const int c = keys[size_t(a)].compare(keys[size_t(b)]);
        return order == Qt::AscendingOrder ? c < 0 : c > 0;
    });

    ArticleList sorted;
    sorted.reserve(articles.size());
    for (qsizetype i : permutation)
        sorted.append(std::move(articles[i]));
    articles = std::move(sorted);
    return permutation;
}
