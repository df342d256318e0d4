#pragma once

#include "entrez/ArticleExtractor.h"
#include "library/StoredArticle.h"

#include <QString>

#include <functional>

#include <string>
#include <string_view>
#include <vector>

// Every PubmedArticle and PubmedBookArticle element of the EFetch answers in
// `dir`, as text. Records of 1 MB and more are left out unless asked for.
std::vector<std::string> realRecords(const QString &dir, bool withStressRecord);

// An EFetch answer of `articles` records, taken from `records` in rotation.
std::string buildAnswer(const std::vector<std::string> &records, int articles);

// The same answer handed to `take` in chunks of about `chunkBytes`, never
// held whole; returns its size.
size_t generateAnswer(const std::vector<std::string> &records, int articles, size_t chunkBytes,
                      const std::function<void(std::string_view)> &take);

// `count` articles to store, from `records` in rotation, each copy under a
// PMID of its own: first, first + 1, ...
QList<ArticleToStore> distinctArticles(const std::vector<std::string> &records, qint64 first, int count);
