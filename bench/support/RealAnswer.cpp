#include "RealAnswer.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <regex>
#include <utility>

std::vector<std::string> realRecords(const QString &dir, bool withStressRecord)
{
    std::vector<std::string> records;
    const QStringList files = QDir(dir).entryList({QStringLiteral("*.xml")}, QDir::Files, QDir::Name);
    for (const QString &name : files) {
        QFile file(dir + QLatin1Char('/') + name);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const std::string text = file.readAll().toStdString();
        for (const auto &[open, close] : {std::pair<std::string_view, std::string_view>{"<PubmedArticle>", "</PubmedArticle>"},
                                          {"<PubmedBookArticle>", "</PubmedBookArticle>"}}) {
            for (size_t at = text.find(open); at != std::string::npos; at = text.find(open, at + 1)) {
                const size_t end = text.find(close, at);
                if (end == std::string::npos)
                    break;
                std::string record = text.substr(at, end + close.size() - at);
                if (withStressRecord || record.size() < (size_t(1) << 20))
                    records.push_back(std::move(record));
            }
        }
    }
    return records;
}

size_t generateAnswer(const std::vector<std::string> &records, int articles, size_t chunkBytes,
                      const std::function<void(std::string_view)> &take)
{
    std::string chunk = "<?xml version=\"1.0\" ?>\n<!DOCTYPE PubmedArticleSet PUBLIC \"-//NLM//DTD PubMedArticle, 1st "
                        "January 2025//EN\" \"https://dtd.nlm.nih.gov/ncbi/pubmed/out/pubmed_250101.dtd\">\n"
                        "<PubmedArticleSet>\n";
    size_t size = 0;
    const auto handOn = [&] {
        take(chunk);
        size += chunk.size();
        chunk.clear();
    };
    for (int i = 0; i < articles; ++i) {
        chunk.append(records[size_t(i) % records.size()]).push_back('\n');
        if (chunk.size() >= chunkBytes)
            handOn();
    }
    chunk.append(kEfetchClosingTag).push_back('\n');
    handOn();
    return size;
}

std::string buildAnswer(const std::vector<std::string> &records, int articles)
{
    std::string answer;
    generateAnswer(records, articles, size_t(1) << 20, [&](std::string_view bytes) { answer.append(bytes); });
    return answer;
}

QList<ArticleToStore> distinctArticles(const std::vector<std::string> &records, qint64 first, int count)
{
    static const std::regex pmid("<PMID([^>]*)>[0-9]+</PMID>");
    std::string answer = "<?xml version=\"1.0\" ?>\n<PubmedArticleSet>\n";
    for (int i = 0; i < count; ++i) {
        const std::string &record = records[size_t(first + i) % records.size()];
        answer += std::regex_replace(record, pmid, "<PMID$1>" + std::to_string(first + i) + "</PMID>",
                                     std::regex_constants::format_first_only);
        answer += '\n';
    }
    answer += "</PubmedArticleSet>\n";
    QList<ArticleToStore> articles;
    appendArticlesToStore(QByteArray::fromStdString(answer), articles, elinkBaseUrl(Endpoints()));
    return articles;
}
