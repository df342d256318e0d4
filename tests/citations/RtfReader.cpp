#include "RtfReader.h"

#include <QList>
#include <QRegularExpression>

#include <cctype>
#include <optional>
#include <utility>

namespace {

enum class Destination { Body, Skipped, FontTable, FieldInstruction, FieldResult };

struct GroupState
{
    Destination destination = Destination::Body;
    int fallbackCount = 1; // \ucN
    bool fieldGroup = false;
};

class Reader
{
public:
    explicit Reader(const QByteArray &rtf) : m_rtf(rtf) {}

    RtfReadResult run()
    {
        for (char c : m_rtf) {
            if (static_cast<unsigned char>(c) >= 0x80)
                return fail(QStringLiteral("byte above 127"));
        }
        if (!m_rtf.startsWith("{\\rtf1"))
            return fail(QStringLiteral("does not start with {\\rtf1"));
        while (m_pos < m_rtf.size() && m_error.isEmpty()) {
            if (m_closed) {
                if (!QChar::isSpace(m_rtf[m_pos++]))
                    return fail(QStringLiteral("text after the closing brace"));
                continue;
            }
            step();
        }
        if (m_error.isEmpty() && !m_closed)
            fail(QStringLiteral("unbalanced groups: %1 left open").arg(m_groups.size()));
        if (m_error.isEmpty() && !m_sawFontTable)
            fail(QStringLiteral("no font table"));
        if (!m_error.isEmpty())
            return {RichText(), m_error};
        flushRun();
        return {m_text, QString()};
    }

private:
    RtfReadResult fail(const QString &why)
    {
        if (m_error.isEmpty())
            m_error = QStringLiteral("%1 at byte %2").arg(why).arg(m_pos);
        return {RichText(), m_error};
    }

    GroupState &state() { return m_groups.last(); }

    void step()
    {
        const char c = m_rtf[m_pos++];
        if (c == '{') {
            m_groups.append(m_groups.isEmpty() ? GroupState() : GroupState{state().destination, state().fallbackCount, false});
            m_pendingSkip = false;
        } else if (c == '}') {
            if (m_groups.isEmpty()) {
                fail(QStringLiteral("closing brace without a group"));
                return;
            }
            if (state().fieldGroup)
                closeField();
            m_groups.removeLast();
            m_closed = m_groups.isEmpty();
        } else if (c == '\\') {
            controlSequence();
        } else if (c == '\r' || c == '\n') {
            // source formatting only
        } else {
            if (m_groups.isEmpty()) {
                fail(QStringLiteral("text outside the document group"));
                return;
            }
            character(QChar::fromLatin1(c));
        }
    }

    void controlSequence()
    {
        if (m_pos >= m_rtf.size()) {
            fail(QStringLiteral("backslash at the end"));
            return;
        }
        const char c = m_rtf[m_pos];
        if (!std::isalpha(static_cast<unsigned char>(c))) {
            ++m_pos;
            if (c == '\\' || c == '{' || c == '}')
                character(QChar::fromLatin1(c));
            else if (c == '*')
                m_pendingSkip = true;
            else if (c == '\n' || c == '\r')
                character(u'\n');
            else if (c == '\'')
                fail(QStringLiteral("hex escape (the writer should use \\u)"));
            else if (c != '~' && c != '-' && c != '_')
                fail(QStringLiteral("unknown control symbol \\%1").arg(QChar::fromLatin1(c)));
            return;
        }
        const qsizetype start = m_pos;
        while (m_pos < m_rtf.size() && std::isalpha(static_cast<unsigned char>(m_rtf[m_pos])))
            ++m_pos;
        const QByteArray word = m_rtf.mid(start, m_pos - start);
        std::optional<long> parameter;
        const qsizetype numberStart = m_pos;
        if (m_pos < m_rtf.size() && m_rtf[m_pos] == '-')
            ++m_pos;
        while (m_pos < m_rtf.size() && std::isdigit(static_cast<unsigned char>(m_rtf[m_pos])))
            ++m_pos;
        if (m_pos > numberStart)
            parameter = m_rtf.mid(numberStart, m_pos - numberStart).toLong();
        if (m_pos < m_rtf.size() && m_rtf[m_pos] == ' ')
            ++m_pos; // the delimiter belongs to the control word
        controlWord(word, parameter);
    }

    void controlWord(const QByteArray &word, std::optional<long> parameter)
    {
        if (m_groups.isEmpty()) {
            fail(QStringLiteral("control word outside the document group"));
            return;
        }
        Destination &destination = state().destination;
        // "\*" marks the destination that follows as one a reader may skip.
        const bool skippable = std::exchange(m_pendingSkip, false);
        if (word == "u") {
            if (!parameter || *parameter < -32768 || *parameter > 32767) {
                fail(QStringLiteral("\\u without a signed 16-bit number"));
                return;
            }
            character(QChar(char16_t(uint16_t(int16_t(*parameter)))));
            for (int i = 0; i < state().fallbackCount; ++i) {
                if (m_pos >= m_rtf.size() || m_rtf[m_pos] == '\\' || m_rtf[m_pos] == '{' || m_rtf[m_pos] == '}') {
                    fail(QStringLiteral("\\u without its fallback character"));
                    return;
                }
                ++m_pos;
            }
        } else if (word == "uc") {
            state().fallbackCount = int(parameter.value_or(1));
        } else if (word == "par" || word == "line") {
            character(u'\n');
        } else if (word == "tab") {
            character(u'\t');
        } else if (word == "fonttbl") {
            destination = Destination::FontTable;
            m_sawFontTable = true;
        } else if (word == "field") {
            if (m_inField) {
                fail(QStringLiteral("nested field"));
                return;
            }
            state().fieldGroup = true;
            m_inField = true;
            m_fieldInstruction.clear();
            m_fieldLink.clear();
            m_sawResult = false;
        } else if (word == "fldinst") {
            if (!m_inField) {
                fail(QStringLiteral("\\fldinst outside a field"));
                return;
            }
            destination = Destination::FieldInstruction;
        } else if (word == "fldrslt") {
            if (!m_inField) {
                fail(QStringLiteral("\\fldrslt outside a field"));
                return;
            }
            static const QRegularExpression hyperlink(QStringLiteral("^\\s*HYPERLINK \"([^\"]*)\"\\s*$"));
            const QRegularExpressionMatch match = hyperlink.match(m_fieldInstruction);
            if (!match.hasMatch()) {
                fail(QStringLiteral("field instruction is not HYPERLINK \"url\": %1").arg(m_fieldInstruction));
                return;
            }
            m_fieldLink = match.captured(1);
            m_sawResult = true;
            destination = Destination::FieldResult;
        } else if (skippable) {
            destination = Destination::Skipped;
        }
        // Any other word is formatting, which these checks ignore.
    }

    void character(QChar c)
    {
        switch (state().destination) {
        case Destination::Body:
            if (m_inField) {
                fail(QStringLiteral("text inside a field but outside its result"));
                return;
            }
            appendToRun(c, QString());
            break;
        case Destination::FieldResult:
            appendToRun(c, m_fieldLink);
            break;
        case Destination::FieldInstruction:
            m_fieldInstruction += c;
            break;
        case Destination::FontTable:
        case Destination::Skipped:
            break;
        }
    }

    void appendToRun(QChar c, const QString &link)
    {
        if (m_runText.isEmpty() || m_runLink != link) {
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

    void closeField()
    {
        if (!m_sawResult)
            fail(QStringLiteral("field without a result"));
        m_inField = false;
    }

private:
    const QByteArray &m_rtf;
    qsizetype m_pos = 0;
    QList<GroupState> m_groups;
    bool m_closed = false;
    bool m_pendingSkip = false;
    bool m_sawFontTable = false;
    bool m_inField = false;
    bool m_sawResult = false;
    QString m_fieldInstruction;
    QString m_fieldLink;
    QString m_runText;
    QString m_runLink;
    RichText m_text;
    QString m_error;
};

} // namespace

RtfReadResult readRtf(const QByteArray &rtf)
{
    return Reader(rtf).run();
}

RichText mergedRuns(const RichText &text)
{
    RichText merged;
    QString pending;
    QString pendingLink;
    const auto flush = [&] {
        if (pendingLink.isEmpty())
            merged.append(pending);
        else
            merged.appendLink(pending, pendingLink);
        pending.clear();
    };
    for (const RichTextRun &run : text.runs()) {
        if (run.link != pendingLink) {
            flush();
            pendingLink = run.link;
        }
        pending += run.text;
    }
    flush();
    return merged;
}
