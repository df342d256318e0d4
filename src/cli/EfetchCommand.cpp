#include "cli/CliCommands.h"

#include "cli/CliMessages.h"
#include "common/Endpoints.h"
#include "entrez/ArticleExtractor.h"
#include "entrez/EfetchStream.h"
#include "export/ExportFormat.h"

#include <QFile>

#include <algorithm>
#include <cstdio>
#include <mutex>

#include <string>
#include <string_view>
#include <vector>

namespace {

// Appends `text` (UTF-8) as a JSON string literal.
void appendJsonString(std::string &out, std::string_view text)
{
    static const char kHex[] = "0123456789abcdef";
    out.push_back('"');
    // Most text needs no escape: it goes over in runs, not byte by byte.
    const auto plain = [](char c) { return static_cast<unsigned char>(c) >= 0x20 && c != '"' && c != '\\'; };
    for (auto it = text.begin(); it != text.end();) {
        const auto run = std::find_if_not(it, text.end(), plain);
        out.append(it, run);
        if (run == text.end())
            break;
        const char c = *run;
        it = run + 1;
        switch (c) {
        case '"':
            out.append("\\\"");
            break;
        case '\\':
            out.append("\\\\");
            break;
        case '\n':
            out.append("\\n");
            break;
        case '\r':
            out.append("\\r");
            break;
        case '\t':
            out.append("\\t");
            break;
        default:
            out.append("\\u00");
            out.push_back(kHex[(c >> 4) & 0xF]);
            out.push_back(kHex[c & 0xF]);
        }
    }
    out.push_back('"');
}

// JSON lines held until the answer is known to be good, then written out at
// once. The text goes into large blocks that are allocated once each, not
// per record.
class JsonLinesBuffer
{
public:
    void append(const ArticleRecord &record)
    {
        if (m_blocks.empty() || m_blocks.back().capacity() - m_blocks.back().size() < kHeadroom) {
            m_blocks.emplace_back();
            m_blocks.back().reserve(kBlockBytes);
        }
        appendRecordJson(m_blocks.back(), record);
    }

    void write() const
    {
        for (const std::string &block : m_blocks)
            writeStdout(QByteArray::fromRawData(block.data(), qsizetype(block.size())));
    }

private:
    static constexpr size_t kBlockBytes = size_t(4) << 20;
    // Room left for one more record; a larger one grows its block.
    static constexpr size_t kHeadroom = size_t(256) << 10;
    std::vector<std::string> m_blocks;
};

// Records handed over from the reader's helper thread, to be written out on
// the reading thread: that one has time to spare while the helper parses.
class RecordQueue
{
public:
    void push(ArticleRecord &&record)
    {
        const std::lock_guard lock(m_mutex);
        m_records.push_back(std::move(record));
    }

    // Takes every record pushed so far, in order.
    template<typename Take>
    void drain(Take take)
    {
        m_taken.clear();
        {
            const std::lock_guard lock(m_mutex);
            m_taken.swap(m_records);
        }
        for (ArticleRecord &record : m_taken)
            take(std::move(record));
    }

private:
    std::mutex m_mutex;
    std::vector<ArticleRecord> m_records;
    std::vector<ArticleRecord> m_taken;
};

} // namespace

// One record as a JSON object on one line, keys in the record's own order:
// texts as strings, lists as arrays of strings, authors as objects,
// retracted as true or false.
void appendRecordJson(std::string &out, const ArticleRecord &record, std::string_view extraMembers)
{
    using Key = ArticleRecord::Key;
    out.push_back('{');
    for (int k = 0; k < ArticleRecord::KeyCount; ++k) {
        const auto key = Key(k);
        if (k > 0)
            out.append(", ");
        appendJsonString(out, ArticleRecord::KeyNames[size_t(k)]);
        out.append(": ");
        if (key == Key::Retracted) {
            out.append(record.utf8(key).empty() ? "false" : "true");
            continue;
        }
        if (ArticleRecord::isListKey(key)) {
            out.push_back('[');
            const std::vector<std::string_view> items = record.itemsUtf8(key);
            for (size_t i = 0; i < items.size(); ++i) {
                if (i > 0)
                    out.append(", ");
                appendJsonString(out, items[i]);
            }
            out.push_back(']');
            continue;
        }
        if (key != Key::Authors) {
            appendJsonString(out, record.utf8(key));
            continue;
        }
        out.push_back('[');
        for (qsizetype i = 0; i < record.authorCount(); ++i) {
            out.append(i > 0 ? ", {\"lastname\": " : "{\"lastname\": ");
            appendJsonString(out, record.authorLastnameUtf8(i));
            out.append(", \"initials\": ");
            appendJsonString(out, record.authorInitialsUtf8(i));
            out.push_back('}');
        }
        out.push_back(']');
    }
    if (!extraMembers.empty()) {
        out.append(", ");
        out.append(extraMembers);
    }
    out.append("}\n");
}

namespace {

int run(const CliCommand &, const CliParsedArguments &arguments)
{
    const QString path = arguments.positional().constFirst();
    QFile file;
    if (!openCliInput(path, file))
        return 1;
    // The answer is read a chunk at a time and never held whole; an export
    // file is written once it holds every record, as the window writes it.
    const std::optional<ExportFormat> exportFormat = ExportFormats::named(arguments.value(QStringLiteral("format")));
    JsonLinesBuffer out;
    ArticleList articles;
    RecordQueue queue;
    const auto takeRecords = [&] {
        queue.drain([&](ArticleRecord &&record) {
            if (exportFormat)
                articles.append(std::move(record));
            else
                out.append(record);
        });
    };
    EfetchStreamReader reader(elinkBaseUrl(Endpoints()), [&](ArticleRecord &&record) { queue.push(std::move(record)); });
    constexpr qint64 kChunkBytes = qint64(1) << 18;
    std::vector<char> chunk(kChunkBytes);
    while (true) {
        const qint64 n = file.read(chunk.data(), kChunkBytes);
        if (n < 0) {
            reportReadError(path, file);
            return 1;
        }
        if (n == 0)
            break;
        reader.append(std::string_view(chunk.data(), size_t(n)));
        takeRecords();
    }
    const qsizetype records = reader.finish();
    takeRecords();
    if (records < 0) {
        writeStderrLine(CliMessages::notUtf8(path));
        return 1;
    }
    // Without records, whatever reached the sink did not count: an answer
    // that holds no article is a failure, as for the other commands.
    if (records == 0) {
        writeStderrLine(QStringLiteral("vexmoor-cli: %1 holds no EFetch articles").arg(path));
        return 1;
    }
    if (exportFormat) {
        writeStdout(ExportFormats::write(*exportFormat, articles));
        return 0;
    }
    out.write();
    return 0;
}

} // namespace

CliCommand efetchCommand()
{
    return {
        {.name = QStringLiteral("efetch"),
         .summary = QStringLiteral("Print the articles of a saved EFetch answer as JSON lines."),
         .description = QStringLiteral(
             "Reads a saved EFetch answer, the PubmedArticleSet XML the E-utilities send for the records of "
             "PMIDs, and prints one JSON object per article on a line of its own, in the answer's order. Its "
             "keys are year, title, journal, volume, issue, pages, abstract, authors (a list of objects with "
             "lastname and initials), authorsString, PMID, hyperlink and doi; missing data is the empty "
             "text. With a file format it prints instead the file the window's File > Export All "
             "would write for those articles."),
         .arguments = {kSavedAnswerArgument},
         .options = {{.names = {QStringLiteral("format")},
                      .valueName = QStringLiteral("FORMAT"),
                      .description =
                          QStringLiteral("json for JSON lines; ris, bibtex, medline or csv for an export file."),
                      .choices = QStringList{QStringLiteral("json")} + ExportFormats::names(),
                      .defaultValue = QStringLiteral("json")}},
         .examples = {{QStringLiteral("efetch - < efetch-answer.xml"),
                       QStringLiteral("Print the articles of an answer read from standard input.")},
                      {QStringLiteral("efetch efetch-answer.xml --format bibtex > articles.bib"),
                       QStringLiteral("Write the articles as a BibTeX file.")}}},
        run};
}
