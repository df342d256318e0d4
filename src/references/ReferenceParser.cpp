#include "references/ReferenceParser.h"

#include <QDate>
#include <QHash>
#include <QRegularExpression>

#include <algorithm>

namespace {

using RE = QRegularExpression;

// A longer word is no word of an abbreviated journal title.
constexpr qsizetype kMaxAbbreviatedWord = 12;

QRegularExpressionMatch find(const QString &text, const char *pattern, RE::PatternOptions options = RE::NoPatternOption)
{
    // One compiled expression per pattern literal.
    static thread_local QHash<const char *, RE> compiled;
    auto it = compiled.find(pattern);
    if (it == compiled.end())
        it = compiled.insert(pattern, RE(QString::fromUtf8(pattern), options | RE::UseUnicodePropertiesOption));
    return it->match(text);
}

// Takes the first match of `pattern` out of `text`; its group `group`, or empty.
QString takeOut(QString &text, const char *pattern, int group, RE::PatternOptions options = RE::CaseInsensitiveOption)
{
    const QRegularExpressionMatch match = find(text, pattern, options);
    if (!match.hasMatch())
        return {};
    const QString taken = match.captured(group);
    text.remove(match.capturedStart(0), match.capturedLength(0));
    return taken;
}

// A DOI runs to white space; what ends a sentence or closes a bracket
// opened before it is not part of it.
QString trimmedDoi(QString doi)
{
    for (;;) {
        if (doi.endsWith(QLatin1Char('.')) || doi.endsWith(QLatin1Char(',')) || doi.endsWith(QLatin1Char(';'))
            || doi.endsWith(QLatin1Char(':')))
            doi.chop(1);
        else if ((doi.endsWith(QLatin1Char(')')) && doi.count(QLatin1Char(')')) > doi.count(QLatin1Char('(')))
                 || (doi.endsWith(QLatin1Char(']')) && doi.count(QLatin1Char(']')) > doi.count(QLatin1Char('['))))
            doi.chop(1);
        else
            return doi;
    }
}

bool plausibleYear(const QString &year)
{
    const int value = year.toInt();
    return value >= 1800 && value <= QDate::currentDate().year() + 1;
}

// "Smith JA", "van der Berg J-P", "Smith, J. A.", or a list led by one of them.
bool authorsLike(const QString &text)
{
    return find(text, R"((?:^|,\s*)\p{Lu}[\p{L}'’\-]+(?:\s+[\p{L}'’\-]+)*\s+\p{Lu}{1,3}(?:-\p{Lu})?(?=\s*(?:,|$|\s&|\set\sal|\sand\s)))").hasMatch()
           || find(text, R"(^\p{Lu}[\p{L}'’\-]+(?:\s+\p{L}[\p{L}'’\-]+)*,\s*\p{Lu}\.)").hasMatch();
}

// The first author's surname and initials.
void readFirstAuthor(const QString &authors, ParsedReference &reference)
{
    // APA: "Smith, J. A., & Jones, B."
    QRegularExpressionMatch match = find(authors, R"(^\s*((?:\p{Ll}+\s+)*\p{Lu}[\p{L}'’\-]+(?:\s+\p{L}[\p{L}'’\-]+)*),\s*((?:\p{Lu}\.[\s\-]*)+))");
    if (match.hasMatch()) {
        reference.surname = match.captured(1);
        reference.initials = match.captured(2).remove(RE(QStringLiteral("[^\\p{Lu}]")));
        return;
    }
    // Vancouver and AMA: "Smith JA, Jones B" or "Smith J.A., ..."
    match = find(authors, R"(^\s*(\p{Lu}?[\p{L}'’\-]+(?:\s+[\p{L}'’\-]+)*?)\s+((?:\p{Lu}\.?\s?){1,3}(?:-\p{Lu}\.?)?)\s*(?:,|$|&|\band\b|\bet\s+al))");
    if (match.hasMatch()) {
        reference.surname = match.captured(1);
        reference.initials = match.captured(2).remove(RE(QStringLiteral("[^\\p{Lu}]")));
    }
}

QString cleanedPart(QString part)
{
    part = part.simplified();
    while (!part.isEmpty() && QStringLiteral(".,;: ").contains(part.back()))
        part.chop(1);
    while (!part.isEmpty() && QStringLiteral(".,;: ").contains(part.front()))
        part.remove(0, 1);
    return part;
}

// Where a sentence of the reference ends: a period, question or exclamation
// mark before white space, but not inside brackets or parentheses, not after
// an initial followed by another initial, nor after the abbreviations titles
// and sources use.
QList<qsizetype> sentenceEnds(const QString &text)
{
    static const RE boundary(QStringLiteral(R"([.?!]\s+)"));
    static const RE abbreviation(QStringLiteral(R"((?:^|\s)(?:vs|e\.g|i\.e|cf|St|Dr|no|vol|pp|ed|eds|Suppl|Pt)$)"));
    static const RE initialNext(QStringLiteral(R"(^\p{Lu}\.)"), RE::UseUnicodePropertiesOption);
    static const RE initialBefore(QStringLiteral(R"((?:^|[\s.,])\p{Lu}$)"), RE::UseUnicodePropertiesOption);
    QList<qsizetype> ends;
    qsizetype depth = 0;
    qsizetype counted = 0; // characters whose brackets are in `depth`
    QRegularExpressionMatchIterator it = boundary.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        for (; counted < match.capturedStart(0); ++counted) {
            const QChar c = text.at(counted);
            depth += (c == u'(' || c == u'[') ? 1 : (c == u')' || c == u']') && depth > 0 ? -1 : 0;
        }
        const QString before = text.left(match.capturedStart(0));
        const QString after = text.mid(match.capturedEnd(0));
        if (depth > 0 || abbreviation.match(before).hasMatch())
            continue;
        if (initialBefore.match(before).hasMatch() && initialNext.match(after).hasMatch())
            continue;
        ends.append(match.capturedStart(0));
    }
    return ends;
}

// The sentences of `text`, cleaned, the empty ones left out.
QStringList sentencesOf(const QString &text)
{
    QStringList sentences;
    qsizetype from = 0;
    for (const qsizetype end : sentenceEnds(text) + QList<qsizetype>{text.size()}) {
        const QString sentence = cleanedPart(text.mid(from, end + 1 - from));
        if (!sentence.isEmpty())
            sentences.append(sentence);
        from = end + 1;
    }
    return sentences;
}


// Volume, issue and first page after a year: "2020;382(8):727-33",
// "2020 Feb 20;382(8):727", "2020; 382: 727–33", "2019;12:e972".
bool readVancouverSource(const QString &text, ParsedReference &reference, qsizetype &start)
{
    // The last one: a reference may cite another in its title.
    static const RE source(QStringLiteral(R"(\b(1[89]\d\d|20\d\d)[a-z]?(?:\s+[A-Z][a-z]{2,8}(?:\s*\d{1,2})?(?:\s*[-–]\s*[A-Z]?[a-z]{2,8}(?:\s*\d{1,2})?)?)?\s*;\s*(\d+)(?:\s*Suppl\.?\s*\w{0,4})?(?:\s*\(([^)]{1,20})\))?(?:\s*:\s*([A-Za-z]{0,2}\d+[A-Za-z]?))?)"));
    QRegularExpressionMatch last;
    QRegularExpressionMatchIterator it = source.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        if (plausibleYear(match.captured(1)))
            last = match;
    }
    if (!last.hasMatch())
        return false;
    reference.year = last.captured(1);
    reference.volume = last.captured(2);
    reference.issue = last.captured(3).trimmed();
    reference.firstPage = last.captured(4);
    start = last.capturedStart(0);
    return true;
}

// The last plausible year in `text` and where it starts, or -1.
qsizetype lastYear(const QString &text, QString &year)
{
    static const RE pattern(QStringLiteral(R"(\b(1[89]\d\d|20\d\d)[a-z]?\b)"));
    qsizetype at = -1;
    QRegularExpressionMatchIterator it = pattern.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        if (plausibleYear(match.captured(1))) {
            year = match.captured(1);
            at = match.capturedStart(0);
        }
    }
    return at;
}

// APA: "Smith, J., & Jones, B. (2020). Title. Journal, 382(8), 727–733."
bool readApa(const QString &text, ParsedReference &reference)
{
    const QRegularExpressionMatch match = find(text, R"(^(.{2,}?)\s*\((1[89]\d\d|20\d\d)[a-z]?(?:,[^)]{0,30})?\)\.?\s*(.*)$)");
    // A group author is no list of names, but ends with a period as a list does.
    const bool authors = match.hasMatch() && (authorsLike(match.captured(1)) || match.captured(1).endsWith(u'.'));
    if (!authors || !plausibleYear(match.captured(2)))
        return false;
    reference.year = match.captured(2);
    const QString body = match.captured(3);
    const QList<qsizetype> ends = sentenceEnds(body);
    const QRegularExpressionMatch source =
        find(body.mid(ends.isEmpty() ? 0 : ends.first() + 1),
             R"(^(.*?),\s*(\d+)(?:\s*Suppl\.?\s*\w{0,4})?\s*(?:\(([^)]{1,20})\))?\s*(?:,\s*([A-Za-z]{0,2}\d+[A-Za-z]?))?)");
    // Without an author the title comes first: "Title. (2020). Journal, 1(2), 3."
    if (ends.isEmpty() && source.hasMatch() && !authorsLike(match.captured(1))) {
        reference.title = cleanedPart(match.captured(1));
    } else {
        readFirstAuthor(match.captured(1), reference);
        reference.title = cleanedPart(body.left(ends.isEmpty() ? body.size() : ends.first() + 1));
    }
    if (source.hasMatch()) {
        reference.journal = cleanedPart(source.captured(1));
        reference.volume = source.captured(2);
        reference.issue = source.captured(3).trimmed();
        reference.firstPage = source.captured(4);
    } else {
        reference.journal = cleanedPart(body.mid(ends.isEmpty() ? body.size() : ends.first() + 1).section(u'.', 0, 0));
    }
    return true;
}

// Vancouver, AMA, the Lancet's: "Authors. Title. Journal. Year;Vol(Issue):Pages."
// The journal is the sentence before the source, with the words of a
// dotted abbreviation before it ("Am. Psychol."); the title is what lies
// between it and the authors, or without authors the sentence before the
// journal (a group author or a title's first sentence may come first).
void readVancouver(const QString &text, ParsedReference &reference)
{
    qsizetype sourceAt = -1;
    if (!readVancouverSource(text, reference, sourceAt))
        sourceAt = lastYear(text, reference.year);
    QStringList sentences = sentencesOf(sourceAt >= 0 ? text.left(sourceAt) : text);
    if (!sentences.isEmpty() && sentences.size() >= 2 && authorsLike(sentences.constFirst()))
        readFirstAuthor(sentences.takeFirst(), reference);
    const bool byAuthors = !reference.surname.isEmpty();
    const auto book = std::find_if(sentences.cbegin(), sentences.cend(),
                                   [](const QString &sentence) { return find(sentence, R"(^In\b)").hasMatch(); });
    if (book != sentences.cbegin() && book != sentences.cend()) {
        reference.inBook = true;
        reference.title = sentences.constFirst();
        return;
    }
    if (sentences.size() < 2 || sourceAt < 0) {
        reference.title = sentences.value(0);
        return;
    }
    qsizetype journal = sentences.size() - 1;
    while (journal > 1 && !sentences.at(journal - 1).contains(u' ') && sentences.at(journal - 1).size() <= kMaxAbbreviatedWord)
        --journal;
    reference.journal = sentences.mid(journal).join(QStringLiteral(". "));
    reference.title = byAuthors ? sentences.mid(0, journal).join(QStringLiteral(". ")) : sentences.at(journal - 1);
}

} // namespace

bool ParsedReference::looksLikeReference() const
{
    if (!doi.isEmpty() || !pmid.isEmpty() || !pmcid.isEmpty())
        return true;
    const qsizetype titleWords = title.split(QLatin1Char(' '), Qt::SkipEmptyParts).size();
    return !year.isEmpty() && (!surname.isEmpty() || titleWords >= 3) && text.size() >= 25;
}

ParsedReference parseReference(const QString &text)
{
    ParsedReference reference;
    reference.text = text.simplified();
    QString rest = reference.text;
    // Only the DOI itself goes: a bracket or period after it belongs to the text.
    const QRegularExpressionMatch doi =
        find(rest, R"((?:https?://(?:dx\.)?doi\.org/|\bdoi\s*:?\s*)?\b(10\.\d{4,9}/[^\s"<>]+))", RE::CaseInsensitiveOption);
    if (doi.hasMatch()) {
        reference.doi = trimmedDoi(doi.captured(1));
        rest.remove(doi.capturedStart(0), doi.capturedStart(1) - doi.capturedStart(0) + reference.doi.size());
    }
    reference.pmid = takeOut(rest, R"(\bPMID\s*:?\s*(\d{1,10})\b)", 1);
    reference.pmcid = takeOut(rest, R"(\b(?:PMCID\s*:?\s*)?(PMC\d{1,10})\b)", 1).toUpper();
    // What web pages add to a reference.
    takeOut(rest, R"(\[(?:Epub ahead of print|published online[^\]]*|PubMed[^\]]*|Google Scholar|Cross[Rr]ef)\])", 0);
    takeOut(rest, R"((?:\s*\b(?:PubMed|Google Scholar|Crossref|PMC free article|Full Text|Article|Web of Science)\b)+\s*$)", 0);
    takeOut(rest, R"(\b(?:Available (?:from|at)|Accessed|Epub)\b.*$)", 0);
    rest = rest.simplified();
    if (!readApa(rest, reference))
        readVancouver(rest, reference);
    if (!plausibleYear(reference.year))
        reference.year.clear();
    return reference;
}

QString withoutAccents(const QString &text)
{
    QString out;
    for (const QChar c : text.normalized(QString::NormalizationForm_KD)) {
        if (c.category() == QChar::Mark_NonSpacing)
            continue;
        switch (c.unicode()) {
        case 0x00DF: out += QLatin1String("ss"); break;
        case 0x00F8: out += QLatin1Char('o'); break;
        case 0x00D8: out += QLatin1Char('O'); break;
        case 0x00E6: out += QLatin1String("ae"); break;
        case 0x0142: out += QLatin1Char('l'); break;
        case 0x0131: out += QLatin1Char('i'); break;
        case 0x0141: out += QLatin1Char('L'); break;
        case 0x0111: out += QLatin1Char('d'); break;
        case 0x2019: out += QLatin1Char('\''); break;
        default: out += c;
        }
    }
    return out;
}
