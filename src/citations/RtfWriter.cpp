#include "RtfWriter.h"

#include "citations/LinkUrl.h"

#include <cstdint>

namespace {

// Helvetica at 12 points, as a mail program or word processor would start a
// document; \uc1 says that one fallback character follows every \uN.
constexpr char kHeader[] = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n"
                           "{\\fonttbl{\\f0\\fswiss\\fcharset0 Helvetica;}}\n"
                           "\\pard\\plain\\f0\\fs24 ";
constexpr char kParagraphBreak[] = "\\par\n";
constexpr char kLineBreak[] = "\\line\n";

void appendUnicodeEscape(QByteArray &out, char16_t unit)
{
    // RTF reads N as a signed 16-bit number.
    out.append("\\u").append(QByteArray::number(int(int16_t(unit)))).append('?');
}

void appendEscaped(QByteArray &out, const QString &text, const char *lineBreak)
{
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'\r' && i + 1 < size && text[i + 1] == u'\n')
            continue; // CR LF is one break
        if (c == u'\n' || c == u'\r') {
            out.append(lineBreak);
        } else if (c == u'\t') {
            out.append("\\tab ");
        } else if (c == u'\\' || c == u'{' || c == u'}') {
            out.append('\\').append(char(c));
        } else if (c >= 0x20 && c < 0x7F) {
            out.append(char(c));
        } else if (QChar::isHighSurrogate(c) && i + 1 < size && text[i + 1].isLowSurrogate()) {
            appendUnicodeEscape(out, c);
            appendUnicodeEscape(out, text[++i].unicode());
        } else if (QChar::isSurrogate(c)) {
            appendUnicodeEscape(out, QChar::ReplacementCharacter);
        } else {
            appendUnicodeEscape(out, c);
        }
    }
}

// The control words that switch on `style` within the current group, ended
// by the space that separates them from the text.
void appendStyleWords(QByteArray &out, TextStyles style)
{
    if (!style)
        return;
    if (style.testFlag(TextStyle::Italic))
        out.append("\\i");
    if (style.testFlag(TextStyle::Bold))
        out.append("\\b");
    if (style.testFlag(TextStyle::Superscript))
        out.append("\\super");
    if (style.testFlag(TextStyle::Subscript))
        out.append("\\sub");
    out.append(' ');
}

void appendLinkField(QByteArray &out, const RichTextRun &run)
{
    // The encoded URL is plain ASCII without quotes, backslashes or braces,
    // so it can stand inside the quoted field argument as it is.
    out.append("{\\field{\\*\\fldinst{HYPERLINK \"")
        .append(encodedLinkUrl(run.link).toLatin1())
        .append("\"}}{\\fldrslt{");
    appendStyleWords(out, run.style);
    appendEscaped(out, run.text, kLineBreak);
    out.append("}}}");
}

// A styled run is a group of its own, so its styles end with it.
void appendPlainRun(QByteArray &out, const RichTextRun &run)
{
    if (run.style)
        out.append('{');
    appendStyleWords(out, run.style);
    appendEscaped(out, run.text, kParagraphBreak);
    if (run.style)
        out.append('}');
}

} // namespace

QByteArray RtfWriter::write(const RichText &text)
{
    qsizetype estimate = qsizetype(sizeof kHeader) + 1;
    for (const RichTextRun &run : text.runs())
        estimate += run.text.size() + (run.isLink() ? run.link.size() + 48 : 0) + (run.style ? 16 : 0);
    QByteArray out;
    out.reserve(estimate + estimate / 8);
    out.append(kHeader);
    for (const RichTextRun &run : text.runs()) {
        if (run.isLink())
            appendLinkField(out, run);
        else
            appendPlainRun(out, run);
    }
    out.append('}');
    return out;
}
