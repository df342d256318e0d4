#include "library/RecordBlob.h"

#include <QtEndian>

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
    quint32 previous = 0;
    for (quint32 &offset : record.m_offsets) {
        offset = takeU32(in);
        // Every accessor trusts these; a damaged blob must not reach past the buffer.
        if (offset < previous || offset > header.bufferSize)
            return std::nullopt;
        previous = offset;
    }
    record.m_buffer.assign(in, header.bufferSize);
    in += header.bufferSize;
    record.m_authorBounds.resize(header.boundCount);
    for (quint32 &bound : record.m_authorBounds) {
        bound = takeU32(in);
        if ((bound & 0x7fffffffu) > header.bufferSize)
            return std::nullopt;
    }
    record.m_styles.resize(header.styleCount);
    for (ArticleRecord::StoredStyle &style : record.m_styles) {
        style.begin = takeU32(in);
        style.end = takeU32(in);
        style.style = quint8(*in++);
        if (style.begin > style.end || style.end > header.bufferSize)
            return std::nullopt;
    }
    return record;
}
