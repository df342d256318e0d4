#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// An article's own XML as the library keeps it: compressed as qCompress
// writes it, its size (4 bytes, big-endian) before a zlib stream. The file
// may come from anywhere, so reading it back trusts nothing: the stated size
// must be within what a record may hold and exactly what the stream holds.
namespace StoredXml {
QByteArray compressed(const QByteArray &xml);
// None when the bytes are damaged, state a size above the per-record limit
// of the readers, or inflate to more or less than the size they state;
// memory never grows past that size, whatever the stream would give.
std::optional<QByteArray> uncompressed(QByteArrayView stored);
} // namespace StoredXml
