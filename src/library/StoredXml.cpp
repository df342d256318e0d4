#include "library/StoredXml.h"

#include "entrez/ResponseCleanup.h"

#include <QtEndian>

#include <zlib.h>

QByteArray StoredXml::compressed(const QByteArray &xml)
{
    // XML compresses to about a fifth, which the disk writes twice (log, then file).
    return qCompress(xml, 1);
}

std::optional<QByteArray> StoredXml::uncompressed(QByteArrayView stored)
{
    constexpr qsizetype kSizeBytes = 4;
    if (stored.size() < kSizeBytes)
        return std::nullopt;
    const quint32 size = qFromBigEndian<quint32>(stored.data());
    // qCompress writes nothing after the size of an empty text.
    if (size == 0 && stored.size() == kSizeBytes)
        return QByteArray();
    if (size > kMaxRecordBytes)
        return std::nullopt;
    QByteArray xml(qsizetype(size), Qt::Uninitialized);
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return std::nullopt;
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(stored.data() + kSizeBytes));
    stream.avail_in = uInt(stored.size() - kSizeBytes);
    stream.next_out = reinterpret_cast<Bytef *>(xml.data());
    stream.avail_out = uInt(size);
    // One call into a buffer of the stated size: a stream that holds more
    // stops there (and is refused), one that holds less ends short of it.
    const int result = inflate(&stream, Z_FINISH);
    const bool whole = result == Z_STREAM_END && stream.avail_out == 0 && stream.avail_in == 0;
    inflateEnd(&stream);
    if (!whole)
        return std::nullopt;
    return xml;
}
