#include "references/ReferenceSplitter.h"

#include <QRegularExpression>

#include <algorithm>

namespace {

// A block of more lines than this is a list, not one wrapped reference.
constexpr int kMaxLinesOfOneReference = 6;

const QRegularExpression &numberPattern()
{
    static const QRegularExpression pattern(QStringLiteral(R"(^\s*(?:\[(\d{1,4})\]|\((\d{1,4})\)|(\d{1,4})[.)])\s+(?=\S))"));
    return pattern;
}

// The number a line starts with, or -1.
int numberOf(const QString &line, qsizetype *markerLength = nullptr)
{
    const QRegularExpressionMatch match = numberPattern().match(line);
    if (!match.hasMatch())
        return -1;
    if (markerLength)
        *markerLength = match.capturedLength(0);
    for (int group = 1; group <= 3; ++group) {
        if (match.hasCaptured(group))
            return match.captured(group).toInt();
    }
    return -1;
}

bool isHeading(const QString &reference)
{
    static const QRegularExpression heading(
        QStringLiteral(R"(^(?:references?|bibliography|literature(?: cited)?|works cited|notes)\s*:?$)"),
        QRegularExpression::CaseInsensitiveOption);
    return heading.match(reference).hasMatch();
}

void append(QStringList &references, QStringList &lines)
{
    // A lone reference may still carry the number of its list.
    static const QRegularExpression marker(QStringLiteral(R"(^(?:\[\d{1,3}\]|\(\d{1,3}\)|\d{1,3}[.)])\s+)"));
    const QString reference = lines.join(QLatin1Char(' ')).simplified().remove(marker);
    lines.clear();
    if (!reference.isEmpty() && !isHeading(reference))
        references.append(reference);
}

// The marker lines of a numbered list: at least two, each one more than the last.
bool isNumbered(const QStringList &lines)
{
    int last = -1;
    int numbered = 0;
    for (const QString &line : lines) {
        const int number = numberOf(line);
        if (number >= 0 && (last < 0 || number == last + 1)) {
            last = number;
            ++numbered;
        }
    }
    return numbered >= 2;
}

QStringList byNumbers(const QStringList &lines)
{
    QStringList references;
    QStringList current;
    int last = -1;
    for (const QString &line : lines) {
        qsizetype marker = 0;
        const int number = numberOf(line, &marker);
        if (number >= 0 && (last < 0 || number == last + 1)) {
            append(references, current);
            last = number;
            current.append(line.mid(marker));
        } else if (!line.trimmed().isEmpty()) {
            current.append(line);
        }
    }
    append(references, current);
    return references;
}

QStringList byBlocks(const QStringList &lines)
{
    QStringList references;
    QStringList current;
    for (const QString &line : lines) {
        if (line.trimmed().isEmpty())
            append(references, current);
        else
            current.append(line);
    }
    append(references, current);
    return references;
}

// A line that cannot begin a reference: indented under a line that was not,
// starting in lower case (but for a name's particle) or with a digit, or
// following a line cut off in mid-sentence (ending in a letter that ends no
// link, or in a comma, a dash, an ampersand).
bool continues(const QString &line, const QString &before)
{
    static const QRegularExpression particle(QStringLiteral(R"(^(?:van|von|de|da|del|der|di|du|le|la|dos|das)\s+\p{Lu})"));
    static const QRegularExpression link(QStringLiteral(R"((?:https?://|\b10\.\d{4,9}/)\S+$)"));
    const QString text = line.trimmed();
    const QString last = before.trimmed();
    const bool indented = line.at(0).isSpace() && !before.at(0).isSpace();
    const bool lowerStart = text.at(0).isLower() && !particle.match(text).hasMatch();
    const bool cutOff = (last.back().isLetter() && !link.match(last).hasMatch()) || QStringLiteral(",;:-(&").contains(last.back());
    return indented || lowerStart || text.at(0).isDigit() || cutOff;
}

// One reference a line but for continued lines; a blank line always ends one.
QStringList byLines(const QStringList &lines)
{
    QStringList references;
    QStringList current;
    for (const QString &line : lines) {
        if (line.trimmed().isEmpty()) {
            append(references, current);
            continue;
        }
        if (!current.isEmpty() && !continues(line, current.constLast()))
            append(references, current);
        current.append(line);
    }
    append(references, current);
    return references;
}

} // namespace

QStringList splitReferences(const QString &text)
{
    QString normal = text;
    normal.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    normal.replace(QChar(0x00A0), QLatin1Char(' ')).replace(QLatin1Char('\t'), QLatin1String("    "));
    QStringList lines = normal.split(QLatin1Char('\n'));
    for (QString &line : lines) {
        while (!line.isEmpty() && line.back().isSpace())
            line.chop(1);
    }
    if (isNumbered(lines))
        return byNumbers(lines);
    // Blocks parted by blank lines, when they are as long as wrapped
    // references: more than one line in some, never a whole list in one.
    QList<int> blockLengths{0};
    for (const QString &line : std::as_const(lines)) {
        if (!line.trimmed().isEmpty())
            ++blockLengths.last();
        else if (blockLengths.last() > 0)
            blockLengths.append(0);
    }
    blockLengths.removeAll(0);
    const int longest = blockLengths.isEmpty() ? 0 : *std::max_element(blockLengths.cbegin(), blockLengths.cend());
    if (blockLengths.size() >= 2 && longest > 1 && longest <= kMaxLinesOfOneReference)
        return byBlocks(lines);
    return byLines(lines);
}
