#pragma once

#include "citations/RichText.h"

#include <QByteArray>
#include <QList>
#include <QRegularExpression>
#include <QString>

#include <algorithm>
#include <utility>

// A strict little RTF reader for checking what our writer produces: ASCII
// only, one top-level group opening with \rtf1 and holding a font table,
// balanced braces, every \uN a signed 16-bit number followed by one fallback
// character, and every field a HYPERLINK with a quoted URL and a result. It
// decodes the document back to characters, links and the styles \i, \b,
// \super and \sub (each group keeping its own); neighbouring runs with the
// same link and styles come back as one.
struct RtfReadResult
{
    QList<RichTextRun> runs;
    QString error; // empty when the document passed every check
};

// `runs` with neighbours of the same link and styles merged, as a reader sees them.
inline QList<RichTextRun> mergedRuns(const QList<RichTextRun> &runs)
{
    QList<RichTextRun> merged;
    for (const RichTextRun &run : runs) {
        if (run.text.isEmpty())
            continue;
        if (!merged.isEmpty() && merged.last().link == run.link && merged.last().style == run.style)
            merged.last().text += run.text;
        else
            merged.append(run);
    }
    return merged;
}

inline RtfReadResult readRtf(const QByteArray &rtf)
{
    enum class Destination { Body, Skipped, Instruction, Result };
    // A control word with its number and delimiter, a control symbol, a
    // brace, a line end (source formatting only), or a stretch of text.
    static const QRegularExpression token(QStringLiteral("\\\\([a-z]+)(-?[0-9]+)? ?|\\\\(.)|([{}])|[\\r\\n]|([^\\\\{}\\r\\n]+)"),
                                          QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression hyperlink(QStringLiteral("^\\s*HYPERLINK \"([^\"]*)\"\\s*$"));

    QList<Destination> groups;
    QList<TextStyles> styles; // the styles in force in each open group
    QList<RichTextRun> runs;
    QString instruction;
    QString link;
    qsizetype fieldDepth = 0; // depth of the open field's group; 0 outside a field
    bool sawResult = false;
    bool fallbackDue = false; // a \uN was read; its fallback character comes next
    bool fontTable = false;
    QString error;
    const auto add = [&](const QString &text, const QString &to) {
        if (!runs.isEmpty() && runs.last().link == to && runs.last().style == styles.last())
            runs.last().text += text;
        else if (!text.isEmpty())
            runs.append({text, to, styles.last()});
    };
    const auto put = [&](const QString &text) {
        switch (groups.last()) {
        case Destination::Body:
            if (fieldDepth)
                error = QStringLiteral("text inside a field but outside its result");
            else
                add(text, QString());
            break;
        case Destination::Result:
            add(text, link);
            break;
        case Destination::Instruction:
            instruction += text;
            break;
        case Destination::Skipped:
            break;
        }
    };

    if (std::any_of(rtf.begin(), rtf.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
        error = QStringLiteral("byte above 127");
    else if (!rtf.startsWith("{\\rtf1"))
        error = QStringLiteral("no {\\rtf1 at the start");
    qsizetype at = 0;
    for (auto it = token.globalMatch(QString::fromLatin1(rtf)); error.isEmpty() && it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        at = m.capturedStart();
        const QString word = m.captured(1);
        const QString symbol = m.captured(3);
        const QString brace = m.captured(4);
        const QString text = m.captured(5);
        const bool fallback = std::exchange(fallbackDue, false);
        if (groups.isEmpty() && at > 0) {
            if (!m.captured().trimmed().isEmpty())
                error = QStringLiteral("text after the closing brace");
        } else if (fallback && text.isEmpty()) {
            error = QStringLiteral("\\u without its fallback character");
        } else if (!text.isEmpty()) {
            put(text.mid(fallback ? 1 : 0));
        } else if (brace == QLatin1String("{")) {
            groups.append(groups.isEmpty() ? Destination::Body : groups.last());
            styles.append(styles.isEmpty() ? TextStyles() : styles.last());
        } else if (brace == QLatin1String("}")) {
            if (fieldDepth == groups.size()) {
                if (!sawResult)
                    error = QStringLiteral("field without a result");
                fieldDepth = 0;
            }
            groups.removeLast();
            styles.removeLast();
        } else if (!symbol.isEmpty()) {
            if (QStringLiteral("\\{}").contains(symbol))
                put(symbol);
            else if (symbol != QLatin1String("*")) // a destination a reader may skip; only fields have one here
                error = QStringLiteral("unexpected control symbol \\") + symbol;
        } else if (!word.isEmpty()) {
            bool isNumber = false;
            const long number = m.captured(2).toLong(&isNumber);
            if (word == QLatin1String("u")) {
                if (!isNumber || number < -32768 || number > 32767)
                    error = QStringLiteral("\\u without a signed 16-bit number");
                else
                    put(QString(QChar(char16_t(uint16_t(int16_t(number))))));
                fallbackDue = true;
            } else if (word == QLatin1String("par") || word == QLatin1String("line")) {
                put(QStringLiteral("\n"));
            } else if (word == QLatin1String("i") || word == QLatin1String("b")) {
                styles.last().setFlag(word == QLatin1String("i") ? TextStyle::Italic : TextStyle::Bold,
                                      !isNumber || number != 0);
            } else if (word == QLatin1String("super") || word == QLatin1String("sub")
                       || word == QLatin1String("nosupersub")) {
                styles.last() &= ~TextStyles(TextStyle::Superscript | TextStyle::Subscript);
                if (word != QLatin1String("nosupersub"))
                    styles.last() |= word == QLatin1String("super") ? TextStyle::Superscript : TextStyle::Subscript;
            } else if (word == QLatin1String("plain")) {
                styles.last() = {};
            } else if (word == QLatin1String("tab")) {
                put(QStringLiteral("\t"));
            } else if (word == QLatin1String("fonttbl")) {
                groups.last() = Destination::Skipped;
                fontTable = true;
            } else if (word == QLatin1String("field")) {
                fieldDepth = groups.size();
                sawResult = false;
                instruction.clear();
            } else if (word == QLatin1String("fldinst")) {
                groups.last() = Destination::Instruction;
            } else if (word == QLatin1String("fldrslt")) {
                const QRegularExpressionMatch url = hyperlink.match(instruction);
                if (!fieldDepth || !url.hasMatch())
                    error = QStringLiteral("field instruction is not HYPERLINK \"url\": ") + instruction;
                link = url.captured(1);
                sawResult = true;
                groups.last() = Destination::Result;
            } // any other word is formatting, which these checks ignore
        }
    }
    if (error.isEmpty() && !groups.isEmpty())
        error = QStringLiteral("unbalanced groups: %1 left open").arg(groups.size());
    if (error.isEmpty() && !fontTable)
        error = QStringLiteral("no font table");
    if (!error.isEmpty())
        return {{}, QStringLiteral("%1 at byte %2").arg(error).arg(at)};
    return {runs, QString()};
}
