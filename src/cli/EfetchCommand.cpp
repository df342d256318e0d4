#include "cli/CliCommands.h"

#include "cli/CliMessages.h"
#include "common/Endpoints.h"
#include "entrez/ArticleExtractor.h"
#include "entrez/EfetchStream.h"
#include "export/ExportFormat.h"

#include <QFile>

#include <sys/mman.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include <string>
#include <string_view>
#include <vector>

namespace {

// Where the run of bytes from `from` that a JSON string holds as they are
// ends: at a control character, '"' or '\\', or at the end.
size_t plainRunEnd(std::string_view text, size_t from)
{
    const auto plain = [](char c) { return static_cast<unsigned char>(c) >= 0x20 && c != '"' && c != '\\'; };
    size_t i = from;
#if defined(__SSE2__)
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i backslash = _mm_set1_epi8('\\');
    const __m128i lastControl = _mm_set1_epi8(0x1F);
    for (; i + 16 <= text.size(); i += 16) {
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i *>(text.data() + i));
        const __m128i control = _mm_cmpeq_epi8(_mm_min_epu8(c, lastControl), c);
        const __m128i stop = _mm_or_si128(control, _mm_or_si128(_mm_cmpeq_epi8(c, quote), _mm_cmpeq_epi8(c, backslash)));
        if (const int mask = _mm_movemask_epi8(stop))
            return i + size_t(__builtin_ctz(unsigned(mask)));
    }
#endif
    while (i < text.size() && plain(text[i]))
        ++i;
    return i;
}

// Appends `text` (UTF-8) as a JSON string literal.
void appendJsonString(std::string &out, std::string_view text)
{
    static const char kHex[] = "0123456789abcdef";
    out.push_back('"');
    // Most text needs no escape: it goes over in runs, not byte by byte.
    for (auto it = text.begin(); it != text.end();) {
        const auto run = text.begin() + ptrdiff_t(plainRunEnd(text, size_t(it - text.begin())));
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
// once. The held text is tens of megabytes: taking it in 4 kB pages would
// cost a page fault each, more than writing it. So records are written into
// one reused buffer and moved on from there into blocks that the system
// gives as 2 MB pages where it offers them on request.
class JsonLinesBuffer
{
public:
    void append(const ArticleRecord &record)
    {
        appendRecordJson(m_staging, record);
        if (m_staging.size() >= kStagingBytes)
            keepStaged();
    }

    void write()
    {
        keepStaged();
        for (const Block &block : m_blocks)
            writeStdout(QByteArray::fromRawData(block.data.get(), qsizetype(block.size)));
    }

private:
    static constexpr size_t kHugePage = size_t(2) << 20;
    static constexpr size_t kBlockBytes = 2 * kHugePage;
    static constexpr size_t kStagingBytes = size_t(64) << 10;

    struct Block
    {
        std::unique_ptr<char, decltype(&std::free)> data;
        size_t size;
    };

    void keepStaged()
    {
        std::string_view rest = m_staging;
        while (!rest.empty()) {
            if (m_blocks.empty() || m_blocks.back().size == kBlockBytes)
                addBlock();
            Block &block = m_blocks.back();
            const size_t n = std::min(rest.size(), kBlockBytes - block.size);
            std::memcpy(block.data.get() + block.size, rest.data(), n);
            block.size += n;
            rest.remove_prefix(n);
        }
        m_staging.clear();
    }

    void addBlock()
    {
        auto *data = static_cast<char *>(std::aligned_alloc(kHugePage, kBlockBytes));
        if (!data)
            throw std::bad_alloc();
#if defined(MADV_HUGEPAGE)
        madvise(data, kBlockBytes, MADV_HUGEPAGE);
#endif
        m_blocks.push_back({{data, &std::free}, 0});
    }

    std::string m_staging;
    std::vector<Block> m_blocks;
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
    // The sink runs on the reader's helper thread or on this one, one record
    // at a time; what it fills is read only once finish() returns. Written
    // there, the records' text is made by whichever thread has time for it.
    EfetchStreamReader reader(elinkBaseUrl(Endpoints()), [&](ArticleRecord &&record) {
        if (exportFormat)
            articles.append(std::move(record));
        else
            out.append(record);
    });
    constexpr qint64 kChunkBytes = qint64(1) << 16;
    while (true) {
        const qint64 n = reader.appendRead(kChunkBytes, [&](char *into, qint64 max) { return file.read(into, max); });
        if (n < 0) {
            reportReadError(path, file);
            return 1;
        }
        if (n == 0)
            break;
    }
    const qsizetype records = reader.finish();
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
