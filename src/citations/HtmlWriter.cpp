#include "HtmlWriter.h"

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

} // namespace

QString HtmlWriter::write(const RichText &text)
{
    QString out;
    for (const RichTextRun &run : text.runs()) {
        if (run.isLink()) {
            out += QLatin1String("<a href=\"");
            appendEscaped(out, run.link);
            out += QLatin1String("\">");
            appendEscaped(out, run.text);
            out += QLatin1String("</a>");
        } else {
            appendEscaped(out, run.text);
        }
    }
    return out;
}
