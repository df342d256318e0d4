#include "RtfReader.h"

#include <QList>
#include <QRegularExpression>

#include <algorithm>
#include <cctype>
#include <utility>

namespace {

// Where the characters of a group go.
enum class Destination { Body, Skipped, FieldInstruction, FieldResult };

bool isLetter(char c)
{
    return std::isalpha(static_cast<unsigned char>(c));
}

class Reader
{
public:
    explicit Reader(const QByteArray &rtf) : m_rtf(rtf) {}

    RtfReadResult read()
    {
        if (std::any_of(m_rtf.begin(), m_rtf.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
            fail(QStringLiteral("byte above 127"));
        else if (!m_rtf.startsWith("{\\rtf1"))
            fail(QStringLiteral("no {\\rtf1 at the start"));
        while (m_error.isEmpty() && m_pos < m_rtf.size()) {
            const char c = m_rtf[m_pos++];
            if (m_groups.isEmpty() && m_pos > 1) {
                if (!QChar::isSpace(c))
                    fail(QStringLiteral("text after the closing brace"));
            } else if (c == '{') {
                m_groups.append(m_groups.isEmpty() ? Destination::Body : m_groups.last());
            } else if (c == '}') {
                closeGroup();
            } else if (c == '\\') {
                control();
            } else if (c != '\r' && c != '\n') { // line ends are source formatting only
                character(QChar::fromLatin1(c));
            }
        }
        if (!m_groups.isEmpty())
            fail(QStringLiteral("unbalanced groups: %1 left open").arg(m_groups.size()));
        if (!m_sawFontTable)
            fail(QStringLiteral("no font table"));
        if (!m_error.isEmpty())
            return {RichText(), m_error};
        flushRun();
        return {m_text, QString()};
    }

private:
    void fail(const QString &why)
    {
        if (m_error.isEmpty())
            m_error = QStringLiteral("%1 at byte %2").arg(why).arg(m_pos);
    }

    void closeGroup()
    {
        if (m_fieldDepth == m_groups.size()) {
            if (!m_sawResult)
                fail(QStringLiteral("field without a result"));
            m_fieldDepth = 0;
        }
        m_groups.removeLast();
    }

    void control()
    {
        if (m_pos >= m_rtf.size())
            return fail(QStringLiteral("backslash at the end"));
        const char c = m_rtf[m_pos];
        if (!isLetter(c)) {
            ++m_pos;
            if (c == '\\' || c == '{' || c == '}')
                character(QChar::fromLatin1(c));
            else if (c == '*')
                m_skippable = true;
            else
                fail(QStringLiteral("unexpected control symbol \\%1").arg(QChar::fromLatin1(c)));
            return;
        }
        const qsizetype wordStart = m_pos;
        while (m_pos < m_rtf.size() && isLetter(m_rtf[m_pos]))
            ++m_pos;
        const QByteArray word = m_rtf.mid(wordStart, m_pos - wordStart);
        const qsizetype numberStart = m_pos;
        if (m_pos < m_rtf.size() && m_rtf[m_pos] == '-')
            ++m_pos;
        while (m_pos < m_rtf.size() && std::isdigit(static_cast<unsigned char>(m_rtf[m_pos])))
            ++m_pos;
        const bool hasNumber = m_pos > numberStart;
        const long number = m_rtf.mid(numberStart, m_pos - numberStart).toLong();
        if (m_pos < m_rtf.size() && m_rtf[m_pos] == ' ')
            ++m_pos; // the delimiter belongs to the control word
        // "\*" marks the destination that follows as one a reader may skip.
        const bool skippable = std::exchange(m_skippable, false);
        Destination &destination = m_groups.last();

        if (word == "u") {
            if (!hasNumber || number < -32768 || number > 32767)
                return fail(QStringLiteral("\\u without a signed 16-bit number"));
            character(QChar(char16_t(uint16_t(int16_t(number)))));
            if (m_pos >= m_rtf.size() || m_rtf[m_pos] == '\\' || m_rtf[m_pos] == '{' || m_rtf[m_pos] == '}')
                return fail(QStringLiteral("\\u without its fallback character"));
            ++m_pos;
        } else if (word == "par" || word == "line") {
            character(u'\n');
        } else if (word == "tab") {
            character(u'\t');
        } else if (word == "fonttbl") {
            destination = Destination::Skipped;
            m_sawFontTable = true;
        } else if (word == "field") {
            m_fieldDepth = m_groups.size();
            m_sawResult = false;
            m_instruction.clear();
        } else if (word == "fldinst") {
            destination = Destination::FieldInstruction;
        } else if (word == "fldrslt") {
            static const QRegularExpression hyperlink(QStringLiteral("^\\s*HYPERLINK \"([^\"]*)\"\\s*$"));
            const QRegularExpressionMatch match = hyperlink.match(m_instruction);
            if (!m_fieldDepth || !match.hasMatch())
                return fail(QStringLiteral("field instruction is not HYPERLINK \"url\": %1").arg(m_instruction));
            m_link = match.captured(1);
            m_sawResult = true;
            destination = Destination::FieldResult;
        } else if (skippable) {
            destination = Destination::Skipped;
        }
        // Any other word is formatting, which these checks ignore.
    }

    void character(QChar c)
    {
        switch (m_groups.last()) {
        case Destination::Body:
            if (m_fieldDepth)
                return fail(QStringLiteral("text inside a field but outside its result"));
            return appendToRun(c, QString());
        case Destination::FieldResult:
            return appendToRun(c, m_link);
        case Destination::FieldInstruction:
            m_instruction += c;
            return;
        case Destination::Skipped:
            return;
        }
    }

    void appendToRun(QChar c, const QString &link)
    {
        if (link != m_runLink) {
            flushRun();
            m_runLink = link;
        }
        m_runText += c;
    }

    void flushRun()
    {
        if (m_runLink.isEmpty())
            m_text.append(m_runText);
        else
            m_text.appendLink(m_runText, m_runLink);
        m_runText.clear();
    }

    const QByteArray &m_rtf;
    qsizetype m_pos = 0;
    QList<Destination> m_groups;
    bool m_skippable = false;
    bool m_sawFontTable = false;
    qsizetype m_fieldDepth = 0; // depth of the open field's group; 0 outside a field
    bool m_sawResult = false;
    QString m_instruction;
    QString m_link;
    QString m_runText;
    QString m_runLink;
    RichText m_text;
    QString m_error;
};

} // namespace

RtfReadResult readRtf(const QByteArray &rtf)
{
    return Reader(rtf).read();
}

QList<RichTextRun> mergedRuns(const RichText &text)
{
    QList<RichTextRun> runs;
    for (const RichTextRun &run : text.runs()) {
        if (!runs.isEmpty() && runs.last().link == run.link)
            runs.last().text += run.text;
        else
            runs.append(run);
    }
    return runs;
}
