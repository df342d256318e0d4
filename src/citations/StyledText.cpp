#include "citations/StyledText.h"

#include <string_view>

RichText styledText(const ArticleRecord &article, ArticleRecord::Key key, const QString &link)
{
    const std::string_view text = article.utf8(key);
    RichText rich;
    const auto add = [&](size_t begin, size_t end, TextStyles style) {
        const QString piece = QString::fromUtf8(text.data() + begin, qsizetype(end - begin));
        if (link.isEmpty())
            rich.append(piece, style);
        else
            rich.appendLink(piece, link, style);
    };
    size_t at = 0;
    for (const ArticleRecord::InlineStyle &range : article.inlineStyles(key)) {
        add(at, range.begin, {});
        add(range.begin, range.end, range.style);
        at = range.end;
    }
    add(at, text.size(), {});
    return rich;
}
