#include "LinkUrl.h"

#include <QByteArray>

namespace {

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// Unreserved and reserved characters of a URI; everything else is encoded.
bool mayStandInUrl(char c)
{
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
        return true;
    switch (c) {
    case '-': case '.': case '_': case '~':
    case ':': case '/': case '?': case '#': case '[': case ']': case '@':
    case '!': case '$': case '&': case '\'': case '(': case ')':
    case '*': case '+': case ',': case ';': case '=':
        return true;
    default:
        return false;
    }
}

// Characters a URL path segment holds unescaped, and "/" between segments.
bool mayStandInPath(char c)
{
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
        return true;
    switch (c) {
    case '-': case '.': case '_': case '~':
    case '!': case '$': case '&': case '\'': case '(': case ')':
    case '*': case '+': case ',': case ';': case '=':
    case ':': case '@': case '/':
        return true;
    default:
        return false;
    }
}

void appendPercentEncoded(QByteArray &out, unsigned char byte)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    out.append('%').append(kHex[byte >> 4]).append(kHex[byte & 0xF]);
}

char asciiAt(const QString &text, qsizetype i)
{
    const char16_t c = text[i].unicode();
    return c < 0x80 ? char(c) : '\0';
}

char asciiAt(const QByteArray &bytes, qsizetype i)
{
    return bytes[i];
}

// Whether the character at `i` stays as it is: a URL character, or the "%"
// of a well-formed percent-encoded byte. Non-ASCII never stays.
template<typename Text>
bool keepsCharacter(const Text &text, qsizetype i)
{
    const char c = asciiAt(text, i);
    if (mayStandInUrl(c))
        return true;
    return c == '%' && i + 2 < text.size() && isHexDigit(asciiAt(text, i + 1)) && isHexDigit(asciiAt(text, i + 2));
}

template<typename Text>
bool keepsEveryCharacter(const Text &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!keepsCharacter(text, i))
            return false;
    }
    return true;
}

} // namespace

QString encodedLinkUrl(const QString &urlText)
{
    // Nearly every link is already well formed; hand it back without copying.
    if (keepsEveryCharacter(urlText))
        return urlText;
    const QByteArray bytes = urlText.toUtf8();
    QByteArray encoded;
    encoded.reserve(bytes.size() * 3);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (keepsCharacter(bytes, i))
            encoded.append(bytes[i]);
        else
            appendPercentEncoded(encoded, static_cast<unsigned char>(bytes[i]));
    }
    return QString::fromLatin1(encoded);
}

QString encodedDoiPath(const QString &doi)
{
    const QByteArray bytes = doi.toUtf8();
    QByteArray encoded;
    encoded.reserve(bytes.size() * 3);
    for (const char c : bytes) {
        if (mayStandInPath(c))
            encoded.append(c);
        else
            appendPercentEncoded(encoded, static_cast<unsigned char>(c));
    }
    return QString::fromLatin1(encoded);
}
