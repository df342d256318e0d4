#pragma once

#include "entrez/ArticleRecord.h"

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// An ArticleRecord as bytes for the library: its buffer, offsets, author
// bounds and styles copied as they are, so that reading one back costs a few
// copies and no parsing, and the record reads back identical.
class RecordBlob
{
public:
    static QByteArray encode(const ArticleRecord &record);
    // None when the bytes are not a record this build wrote or are damaged.
    static std::optional<ArticleRecord> decode(QByteArrayView bytes);

private:
    static bool soundOffsets(const ArticleRecord &record);
    static bool soundAuthors(const ArticleRecord &record);
    static bool soundStyles(const ArticleRecord &record);
};
