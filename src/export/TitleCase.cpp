#include "TitleCase.h"

#include <QList>
#include <QSet>

namespace {

// The words lower case inside a title: those of the citation styles' common
// list (articles, coordinating conjunctions, short prepositions, "to").
bool isMinorWord(QStringView word)
{
    static const QSet<QString> minor = {
        QStringLiteral("a"),    QStringLiteral("an"),   QStringLiteral("and"),  QStringLiteral("as"),
        QStringLiteral("at"),   QStringLiteral("but"),  QStringLiteral("by"),   QStringLiteral("down"),
        QStringLiteral("for"),  QStringLiteral("from"), QStringLiteral("in"),   QStringLiteral("into"),
        QStringLiteral("nor"),  QStringLiteral("of"),   QStringLiteral("on"),   QStringLiteral("onto"),
        QStringLiteral("or"),   QStringLiteral("over"), QStringLiteral("so"),   QStringLiteral("the"),
        QStringLiteral("till"), QStringLiteral("to"),   QStringLiteral("up"),   QStringLiteral("via"),
        QStringLiteral("with"), QStringLiteral("yet"),  QStringLiteral("vs"),   QStringLiteral("versus"),
    };
    return minor.contains(word.toString().toLower());
}

bool separatesWords(QChar c)
{
    return c.isSpace() || c == u'-' || c == u'/' || c == QChar(0x2013) || c == QChar(0x2014);
}

// True for a word whose case is the writer's choice: lower case, or a
// capital first letter and lower case after it. A capital alone ("vitamin
// A", "type I") is a name.
bool isPlainWord(QStringView core)
{
    bool lower = false;
    for (qsizetype i = 0; i < core.size(); ++i) {
        const QChar c = core.at(i);
        if (c.isDigit() || (i > 0 && c.isUpper()))
            return false;
        lower = lower || c.isLower();
    }
    return lower;
}

struct Word
{
    qsizetype begin; // the first letter or digit
    qsizetype end;   // after the last letter or digit
    bool opensPart;  // first word, or the first after a colon
    bool endsCompound; // the last part of a hyphenated word ("Follow-Up")
};

QList<Word> wordsOf(const QString &text)
{
    QList<Word> words;
    bool afterColon = true;
    for (qsizetype i = 0; i < text.size();) {
        if (separatesWords(text.at(i))) {
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < text.size() && !separatesWords(text.at(end)))
            ++end;
        qsizetype first = i;
        while (first < end && !text.at(first).isLetterOrNumber())
            ++first;
        qsizetype last = end;
        while (last > first && !text.at(last - 1).isLetterOrNumber())
            --last;
        const bool endsCompound = i > 0 && text.at(i - 1) == u'-' && (end == text.size() || text.at(end) != u'-');
        if (first < last)
            words.append({first, last, afterColon, endsCompound});
        // Also a colon standing alone (" : ", as some journal names have it).
        afterColon = text.at(end - 1) == u':';
        i = end;
    }
    return words;
}

} // namespace

QString titleCase(QString text, const QBitArray &unchanged)
{
    const QList<Word> words = wordsOf(text);
    for (qsizetype w = 0; w < words.size(); ++w) {
        const Word &word = words[w];
        const QStringView core = QStringView(text).mid(word.begin, word.end - word.begin);
        if (!isPlainWord(core))
            continue;
        // Greek letters and the like name things ("receptor α") and keep their case.
        if (text.at(word.begin).script() != QChar::Script_Latin
            || (word.begin < unchanged.size() && unchanged.testBit(int(word.begin))))
            continue;
        const bool lower = isMinorWord(core) && !word.opensPart && !word.endsCompound && w + 1 < words.size();
        QChar &first = text[word.begin];
        first = lower ? first.toLower() : first.toUpper();
    }
    return text;
}
