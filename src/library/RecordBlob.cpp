#include "library/RecordBlob.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace {

// Raised whenever the layout below changes; older blobs are then refused and
// the records re-read from the stored XML.
constexpr quint8 kLayout = 1;

struct Header
{
    quint8 layout;
    quint8 kind;
    quint32 bufferSize;
    quint32 boundCount;
    quint32 styleCount;
};
constexpr qsizetype kHeaderSize = 2 + 3 * 4;
constexpr qsizetype kOffsetsSize = (ArticleRecord::KeyCount + 1) * 4;
constexpr qsizetype kStyleSize = 9;

void putU32(char *&out, quint32 value)
{
    qToLittleEndian(value, out);
    out += 4;
}

quint32 takeU32(const char *&in)
{
    const quint32 value = qFromLittleEndian<quint32>(in);
    in += 4;
    return value;
}

} // namespace

using Key = ArticleRecord::Key;

// Each key's slot lies inside the buffer, after the one before, and a list
// key's items each end with a NUL.
bool RecordBlob::soundOffsets(const ArticleRecord &record)
{
    const auto &offsets = record.m_offsets;
    if (!std::is_sorted(offsets.cbegin(), offsets.cend()) || offsets.back() > record.m_buffer.size())
        return false;
    for (int k = 0; k < ArticleRecord::KeyCount; ++k) {
        const quint32 end = offsets[size_t(k) + 1];
        if (ArticleRecord::isListKey(Key(k)) && end > offsets[size_t(k)] && record.m_buffer[end - 1] != '\0')
            return false;
    }
    return true;
}

// Four bounds an author, plus the end, in order, after the last key.
bool RecordBlob::soundAuthors(const ArticleRecord &record)
{
    const auto &bounds = record.m_authorBounds;
    if (bounds.empty())
        return true;
    if (bounds.size() % ArticleRecord::kBoundsPerAuthor != 1)
        return false;
    quint32 previous = record.m_offsets.back();
    for (const quint32 bound : bounds) {
        const quint32 at = bound & ~ArticleRecord::kCollectiveBit;
        if (at < previous || at > record.m_buffer.size())
            return false;
        previous = at;
    }
    return true;
}

// In buffer order, none overlapping another, each inside one text key.
bool RecordBlob::soundStyles(const ArticleRecord &record)
{
    const auto &offsets = record.m_offsets;
    const auto insideTextKey = [&](const ArticleRecord::StoredStyle &style) {
        for (int k = 0; k < ArticleRecord::KeyCount; ++k) {
            if (ArticleRecord::isTextKey(Key(k)) && offsets[size_t(k)] <= style.begin && style.end <= offsets[size_t(k) + 1])
                return true;
        }
        return false;
    };
    quint32 previousEnd = 0;
    for (const ArticleRecord::StoredStyle &style : record.m_styles) {
        if (style.begin > style.end || style.begin < previousEnd || !insideTextKey(style))
            return false;
        previousEnd = style.end;
    }
    return true;
}

QByteArray RecordBlob::encode(const ArticleRecord &record)
{
    const qsizetype size = kHeaderSize + kOffsetsSize + qsizetype(record.m_buffer.size())
                           + qsizetype(record.m_authorBounds.size()) * 4 + qsizetype(record.m_styles.size()) * kStyleSize;
    QByteArray bytes(size, Qt::Uninitialized);
    char *out = bytes.data();
    *out++ = char(kLayout);
    *out++ = char(record.m_kind);
    putU32(out, quint32(record.m_buffer.size()));
    putU32(out, quint32(record.m_authorBounds.size()));
    putU32(out, quint32(record.m_styles.size()));
    for (const quint32 offset : record.m_offsets)
        putU32(out, offset);
    std::memcpy(out, record.m_buffer.data(), record.m_buffer.size());
    out += record.m_buffer.size();
    for (const quint32 bound : record.m_authorBounds)
        putU32(out, bound);
    for (const ArticleRecord::StoredStyle &style : record.m_styles) {
        putU32(out, style.begin);
        putU32(out, style.end);
        *out++ = char(style.style);
    }
    return bytes;
}

std::optional<ArticleRecord> RecordBlob::decode(QByteArrayView bytes)
{
    if (bytes.size() < kHeaderSize + kOffsetsSize)
        return std::nullopt;
    const char *in = bytes.data();
    Header header;
    header.layout = quint8(*in++);
    header.kind = quint8(*in++);
    header.bufferSize = takeU32(in);
    header.boundCount = takeU32(in);
    header.styleCount = takeU32(in);
    if (header.layout != kLayout || header.kind > quint8(ArticleRecord::Kind::Book)
        || bytes.size() != kHeaderSize + kOffsetsSize + qint64(header.bufferSize) + qint64(header.boundCount) * 4
                               + qint64(header.styleCount) * kStyleSize)
        return std::nullopt;

    ArticleRecord record;
    record.m_kind = ArticleRecord::Kind(header.kind);
    for (quint32 &offset : record.m_offsets)
        offset = takeU32(in);
    record.m_buffer.assign(in, header.bufferSize);
    in += header.bufferSize;
    record.m_authorBounds.resize(header.boundCount);
    for (quint32 &bound : record.m_authorBounds)
        bound = takeU32(in);
    record.m_styles.resize(header.styleCount);
    for (ArticleRecord::StoredStyle &style : record.m_styles) {
        style.begin = takeU32(in);
        style.end = takeU32(in);
        style.style = quint8(*in++);
    }
    // Every accessor trusts what follows; a damaged or planted blob is refused here.
    if (!soundOffsets(record) || !soundAuthors(record) || !soundStyles(record))
        return std::nullopt;
    return record;
}
