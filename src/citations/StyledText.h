#pragma once

#include "citations/RichText.h"
#include "entrez/ArticleRecord.h"

#include <QString>

// The text of a record's key with its inline styles (italics, superscripts,
// the bold labels of an abstract) as runs; the characters are exactly those
// of ArticleRecord::text(key). Every run links to `link` when one is given.
RichText styledText(const ArticleRecord &article, ArticleRecord::Key key, const QString &link = {});
