#include "HtmlWriter.h"

#include <iterator>

namespace {

void appendEscaped(QString &out, const QString &text)
{
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text[i];
        switch (c.unicode()) {
        case u'&': out += QLatin1String("&amp;"); break;
        case u'<': out += QLatin1String("&lt;"); break;
        case u'>': out += QLatin1String("&gt;"); break;
        case u'"': out += QLatin1String("&quot;"); break;
        case u'\'': out += QLatin1String("&#39;"); break;
        case u'\r':
            if (i + 1 < size && text[i + 1] == u'\n')
                break; // CR LF is one break
            Q_FALLTHROUGH();
        case u'\n': out += QLatin1String("<br>\n"); break;
        default: out += c;
        }
    }
}

struct StyleTag
{
    TextStyle style;
    QLatin1String open;
    QLatin1String close;
};

// Outermost first; closed in the reverse order so the elements nest.
constexpr StyleTag kStyleTags[] = {
    {TextStyle::Italic, QLatin1String("<i>"), QLatin1String("</i>")},
    {TextStyle::Bold, QLatin1String("<b>"), QLatin1String("</b>")},
    {TextStyle::Superscript, QLatin1String("<sup>"), QLatin1String("</sup>")},
    {TextStyle::Subscript, QLatin1String("<sub>"), QLatin1String("</sub>")},
};

void appendStyled(QString &out, const RichTextRun &run)
{
    for (const StyleTag &tag : kStyleTags)
        if (run.style.testFlag(tag.style))
            out += tag.open;
    appendEscaped(out, run.text);
    for (auto tag = std::rbegin(kStyleTags); tag != std::rend(kStyleTags); ++tag)
        if (run.style.testFlag(tag->style))
            out += tag->close;
}

} // namespace

QString HtmlWriter::write(const RichText &text)
{
    QString out;
    for (const RichTextRun &run : text.runs()) {
        if (run.isLink()) {
            out += QLatin1String("<a href=\"");
            appendEscaped(out, run.link);
            out += QLatin1String("\">");
            appendStyled(out, run);
            out += QLatin1String("</a>");
        } else {
            appendStyled(out, run);
        }
    }
    return out;
}
