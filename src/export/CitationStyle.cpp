#include "CitationStyle.h"

#include "citations/Citation.h"
#include "citations/PlainWriter.h"
#include "common/Endpoints.h"
#include "entrez/ArticleRecord.h"
#include "export/ExportText.h"
#include "export/PageRange.h"
#include "export/TitleCase.h"

#include <QRegularExpression>

#include <algorithm>
#include <array>

namespace {

using Kind = Reference::Kind;

// Page ranges in APA and MLA ("211–19").
constexpr QChar kEnDash(0x2013);

// A citation being put together: plain runs, italic runs and the DOI link.
// Plain text is held back until something else follows, so that the space a
// part leaves for the next one can go when no part follows.
class CitationText
{
public:
    // A part's leading space goes when nothing, or a space, comes before it
    // (the part before it was empty).
    CitationText &operator<<(const QString &text)
    {
        m_pending += text.startsWith(u' ') && followsSpace() ? text.mid(1) : text;
        return *this;
    }
    void italic(const QString &text)
    {
        flush();
        m_text.append(text, TextStyle::Italic);
    }
    void link(const QString &text, const QString &url)
    {
        flush();
        m_text.appendLink(text, url);
    }
    // Runs in their own styles, each with `extra` added.
    void styled(const RichText &runs, TextStyles extra = {})
    {
        flush();
        for (const RichTextRun &run : runs.runs())
            m_text.append(run.text, run.style | extra);
    }
    RichText richText()
    {
        while (m_pending.endsWith(u' '))
            m_pending.chop(1);
        flush();
        return m_text;
    }

private:
    bool followsSpace() const
    {
        if (!m_pending.isEmpty())
            return m_pending.endsWith(u' ');
        return m_text.isEmpty() || m_text.runs().constLast().text.endsWith(u' ');
    }
    void flush()
    {
        m_text.append(m_pending);
        m_pending.clear();
    }

    RichText m_text;
    QString m_pending;
};

bool endsSentence(const QString &text)
{
    return text.endsWith(u'.') || text.endsWith(u'?') || text.endsWith(u'!');
}

// The text with a full stop at its end unless it already ends a sentence.
QString sentence(const QString &text)
{
    const QString line = singleLine(text);
    return line.isEmpty() || endsSentence(line) ? line : line + QLatin1Char('.');
}

// The article's title on one line (as singleLine() makes it), in its inline
// styles; a space that stands for a run of white space has the style of the
// first of them.
RichText titleLine(const Reference &r)
{
    RichText source;
    if (PlainWriter::write(r.styledTitle) == r.title)
        source = r.styledTitle;
    else
        source.append(r.title);
    RichText line;
    QString text;
    TextStyles textStyle;
    const auto put = [&](QChar c, TextStyles style) {
        if (style != textStyle) {
            line.append(text, textStyle);
            text.clear();
            textStyle = style;
        }
        text += c;
    };
    bool pendingSpace = false;
    TextStyles spaceStyle;
    for (const RichTextRun &run : source.runs()) {
        for (const QChar c : run.text) {
            if (c.isSpace()) {
                if (!pendingSpace && (!text.isEmpty() || !line.isEmpty())) {
                    pendingSpace = true;
                    spaceStyle = run.style;
                }
                continue;
            }
            if (c.category() == QChar::Other_Control)
                continue;
            if (pendingSpace)
                put(QLatin1Char(' '), spaceStyle);
            pendingSpace = false;
            put(c, run.style);
        }
    }
    line.append(text, textStyle);
    return line;
}

// The title in its inline styles, with a full stop at its end unless it
// already ends a sentence; with `extra` (italics) on the title, not the stop.
void titleSentence(CitationText &out, const Reference &r, TextStyles extra = {})
{
    const RichText line = titleLine(r);
    const QString plain = line.toPlainText();
    if (plain.isEmpty())
        return;
    if (endsSentence(plain) && !(extra && plain.endsWith(u'.'))) {
        out.styled(line, extra);
        return;
    }
    if (!plain.endsWith(u'.')) {
        out.styled(line, extra);
        out << QStringLiteral(".");
        return;
    }
    // An italic title's own full stop stands upright.
    RichText chopped;
    const QList<RichTextRun> &runs = line.runs();
    for (qsizetype i = 0; i + 1 < runs.size(); ++i)
        chopped.append(runs[i].text, runs[i].style);
    chopped.append(runs.last().text.chopped(1), runs.last().style);
    out.styled(chopped, extra);
    out << QStringLiteral(".");
}

// An italic title followed by its full stop, which stays upright.
void italicSentence(CitationText &out, const QString &title)
{
    const QString line = singleLine(title);
    if (line.isEmpty())
        return;
    if (line.endsWith(u'?') || line.endsWith(u'!')) {
        out.italic(line);
        return;
    }
    out.italic(line.endsWith(u'.') ? line.chopped(1) : line);
    out << QStringLiteral(".");
}

QString journalName(const Reference &r, bool preferAbbreviation)
{
    const QString abbreviation = singleLine(r.journalAbbreviation);
    const QString full = singleLine(r.containerTitle);
    if (preferAbbreviation)
        return abbreviation.isEmpty() ? full : abbreviation;
    return full.isEmpty() ? abbreviation : full;
}

// The year alone, or the date text when it holds no four-digit year.
QString yearOf(const Reference &r)
{
    const QString year = r.year();
    return year.isEmpty() ? singleLine(r.date) : year;
}

bool isPlainYear(const Reference &r)
{
    return singleLine(r.date) == r.year();
}

void appendDoi(CitationText &out, const Reference &r, const QString &prefix, const QString &suffix)
{
    const QString doi = singleLine(r.doi);
    if (doi.isEmpty())
        return;
    out << prefix;
    out.link(doi, doiLink(doi));
    out << suffix;
}

void appendDoiUrl(CitationText &out, const Reference &r, const QString &suffix)
{
    const QString doi = singleLine(r.doi);
    if (doi.isEmpty())
        return;
    out << QStringLiteral(" ");
    out.link(QLatin1String(PublicAddresses::DoiResolver) + doi, doiLink(doi));
    out << suffix;
}

// --- NLM and AMA: "Last Initials", a group set off by a semicolon ----------

QString vancouverName(const ReferenceAuthor &a)
{
    const QString last = singleLine(a.last);
    if (a.collective)
        return last;
    QStringList parts{last, singleLine(a.initials), singleLine(a.suffix)};
    parts.removeAll(QString());
    return parts.join(QLatin1Char(' '));
}

// All names, or with more than `limit` the first three and "et al".
QString vancouverAuthors(const QList<ReferenceAuthor> &authors, qsizetype limit = 0)
{
    const bool shortened = limit > 0 && authors.size() > limit;
    const qsizetype count = shortened ? 3 : authors.size();
    QString text;
    for (qsizetype i = 0; i < count; ++i) {
        if (i > 0)
            text += authors[i].collective && !authors[i - 1].collective ? QLatin1String("; ") : QLatin1String(", ");
        text += vancouverName(authors[i]);
    }
    if (shortened)
        text += QLatin1String(", et al");
    return text;
}

void appendAuthorSentence(CitationText &out, const QString &authors)
{
    if (!authors.isEmpty())
        out << sentence(authors) + QLatin1Char(' ');
}

// "Publisher; Year" with whichever of the two is known.
QString publisherAndYear(const Reference &r)
{
    QStringList parts{singleLine(r.publisher), yearOf(r)};
    parts.removeAll(QString());
    return parts.join(QLatin1String("; "));
}

// "doi: 10.x." and "pii: S0.", as the ELocationIDs come; the DOI alone for a
// reference that names none. As in MEDLINE's own source line, the publisher's
// item id stands in for pages only where there are none.
void appendLocationIds(CitationText &out, const Reference &r, bool first)
{
    if (r.elocationIds.isEmpty()) {
        appendDoi(out, r, first ? QStringLiteral("doi: ") : QStringLiteral(" doi: "), QStringLiteral("."));
        return;
    }
    const bool paginated = !singleLine(r.pages).isEmpty();
    static const QRegularExpression tagged(QStringLiteral("^(.+) \\[(\\w+)\\]$"));
    for (const QString &id : r.elocationIds) {
        const QRegularExpressionMatch match = tagged.match(singleLine(id));
        if (!match.hasMatch() || (paginated && match.captured(2) == QLatin1String("pii")))
            continue;
        out << (first ? QString() : QStringLiteral(" ")) + match.captured(2) + QLatin1String(": ");
        if (match.captured(2) == QLatin1String("doi"))
            out.link(match.captured(1), doiLink(match.captured(1)));
        else
            out << match.captured(1);
        out << QStringLiteral(".");
        first = false;
    }
}

void appendNlmSource(CitationText &out, const Reference &r)
{
    const QString pages = singleLine(r.pages);
    if (r.kind != Kind::JournalArticle) {
        if (r.kind == Kind::BookChapter && !singleLine(r.containerTitle).isEmpty())
            out << QLatin1String("In: ") + sentence(r.containerTitle) + QLatin1Char(' ');
        const QString imprint = publisherAndYear(r);
        QStringList parts;
        if (!imprint.isEmpty())
            parts << imprint + QLatin1Char('.');
        if (r.kind == Kind::BookChapter && !pages.isEmpty())
            parts << QLatin1String("p. ") + pages + QLatin1Char('.');
        out << parts.join(QLatin1Char(' '));
        appendDoi(out, r, QStringLiteral(" doi: "), QStringLiteral("."));
        return;
    }
    QStringList parts;
    const QString journal = journalName(r, true);
    if (!journal.isEmpty())
        parts << sentence(journal);
    // An electronic collection is dated by its e-publication; the issue's date
    // closes the source instead.
    const bool collection = r.isElectronicCollection() && !r.medlineEpubDate().isEmpty();
    QString location = collection ? r.medlineEpubDate() : r.medlineDate();
    QString issue = singleLine(r.volume);
    if (!singleLine(r.issue).isEmpty())
        issue += QLatin1Char('(') + singleLine(r.issue) + QLatin1Char(')');
    if (!issue.isEmpty())
        location += (location.isEmpty() ? QString() : QStringLiteral(";")) + issue;
    if (!pages.isEmpty())
        location += (location.isEmpty() ? QString() : QStringLiteral(":")) + pages;
    if (!location.isEmpty())
        parts << location + QLatin1Char('.');
    out << parts.join(QLatin1Char(' '));
    appendLocationIds(out, r, parts.isEmpty());
    if (collection && !r.medlineDate().isEmpty())
        out << QLatin1String(" eCollection ") + r.medlineDate() + QLatin1Char('.');
    // An article published only online, or not yet in print, is dated by its
    // e-publication already: the date is not said twice.
    else if (!collection && !r.medlineEpubDate().isEmpty() && r.medlineEpubDate() != r.medlineDate())
        out << QLatin1String(" Epub ") + r.medlineEpubDate() + QLatin1Char('.');
}

RichText nlm(const Reference &r)
{
    CitationText out;
    appendAuthorSentence(out, vancouverAuthors(r.authors));
    if (!singleLine(r.title).isEmpty()) {
        titleSentence(out, r);
        out << QStringLiteral(" ");
    }
    appendNlmSource(out, r);
    QStringList ids;
    if (!singleLine(r.pmid).isEmpty())
        ids << QLatin1String("PMID: ") + singleLine(r.pmid);
    if (!singleLine(r.pmcid).isEmpty())
        ids << QLatin1String("PMCID: ") + singleLine(r.pmcid);
    if (!ids.isEmpty())
        out << QLatin1Char(' ') + ids.join(QLatin1String("; ")) + QLatin1Char('.');
    return out.richText();
}

RichText ama(const Reference &r)
{
    CitationText out;
    appendAuthorSentence(out, vancouverAuthors(r.authors, 6));
    const QString pages = PageRange::fromMedlinePgn(singleLine(r.pages)).joined(QStringLiteral("-"));
    const QString year = yearOf(r);
    switch (r.kind) {
    case Kind::Book:
        titleSentence(out, r, TextStyle::Italic);
        if (!publisherAndYear(r).isEmpty())
            out << QLatin1Char(' ') + publisherAndYear(r) + QLatin1Char('.');
        break;
    case Kind::BookChapter: {
        if (!singleLine(r.title).isEmpty()) {
            titleSentence(out, r);
            out << QStringLiteral(" ");
        }
        if (!singleLine(r.containerTitle).isEmpty())
            out << QStringLiteral("In: ");
        italicSentence(out, r.containerTitle);
        QString imprint = publisherAndYear(r);
        if (!pages.isEmpty())
            imprint += (imprint.isEmpty() ? QString() : QStringLiteral(":")) + pages;
        if (!imprint.isEmpty())
            out << QLatin1Char(' ') + imprint + QLatin1Char('.');
        break;
    }
    case Kind::JournalArticle: {
        if (!singleLine(r.title).isEmpty()) {
            titleSentence(out, r);
            out << QStringLiteral(" ");
        }
        italicSentence(out, journalName(r, true));
        QString location = year;
        QString issue = singleLine(r.volume);
        if (!singleLine(r.issue).isEmpty())
            issue += QLatin1Char('(') + singleLine(r.issue) + QLatin1Char(')');
        if (!issue.isEmpty())
            location += (location.isEmpty() ? QString() : QStringLiteral(";")) + issue;
        if (!pages.isEmpty())
            location += (location.isEmpty() ? QString() : QStringLiteral(":")) + pages;
        if (!location.isEmpty())
            out << QLatin1Char(' ') + location + QLatin1Char('.');
        break;
    }
    }
    appendDoi(out, r, QStringLiteral(" doi:"), QString());
    return out.richText();
}

// --- APA ----------------------------------------------------------------------

// "N. T." from the fore name ("Nkem T"; "Jean-Pierre" gives "J.-P."), or
// from the initials when the fore name is not known.
QString apaInitials(const ReferenceAuthor &a)
{
    const QString foreName = singleLine(a.foreName);
    QString out;
    if (foreName.isEmpty()) {
        for (const QChar c : singleLine(a.initials)) {
            if (!c.isLetter())
                continue;
            out += (out.isEmpty() ? QString() : QStringLiteral(" ")) + c + QLatin1Char('.');
        }
        return out;
    }
    bool wordStart = true;
    for (const QChar c : foreName) {
        if (c == u' ' || c == u'-') {
            if (!out.isEmpty() && !wordStart)
                out += c;
            wordStart = true;
            continue;
        }
        if (wordStart && c.isLetter())
            out += c.toUpper() + QLatin1Char('.');
        wordStart = false;
    }
    return out.trimmed();
}

QString apaName(const ReferenceAuthor &a)
{
    if (a.collective)
        return singleLine(a.last);
    QStringList parts{singleLine(a.last), apaInitials(a), singleLine(a.suffix)};
    parts.removeAll(QString());
    return parts.join(QLatin1String(", "));
}

QString apaAuthors(const QList<ReferenceAuthor> &authors)
{
    QStringList names;
    for (const ReferenceAuthor &a : authors)
        names << apaName(a);
    if (names.size() <= 1)
        return names.join(QString());
    const QString last = names.takeLast();
    // From twenty-one authors on, the first nineteen, an ellipsis and the last.
    if (names.size() >= 20)
        return names.mid(0, 19).join(QLatin1String(", ")) + QLatin1String(", . . . ") + last;
    return names.join(QLatin1String(", ")) + QLatin1String(", & ") + last;
}

QString apaPages(const PageRange &pages)
{
    if (pages.first.isEmpty())
        return {};
    if (pages.isArticleNumber())
        return QLatin1String("Article ") + pages.first;
    return pages.joined(QString(kEnDash));
}

RichText apa(const Reference &r)
{
    CitationText out;
    const QString authors = apaAuthors(r.authors);
    const QString year = r.year().isEmpty() ? QStringLiteral("n.d.") : r.year();
    const bool titleFirst = authors.isEmpty();
    if (titleFirst) {
        titleSentence(out, r, r.kind == Kind::Book ? TextStyles(TextStyle::Italic) : TextStyles());
        if (!singleLine(r.title).isEmpty())
            out << QStringLiteral(" ");
        out << QLatin1String("(") + year + QLatin1String("). ");
    } else {
        out << authors + (authors.endsWith(u'.') ? QString() : QStringLiteral(".")) + QLatin1String(" (") + year
                + QLatin1String("). ");
    }
    const PageRange range = PageRange::fromMedlinePgn(singleLine(r.pages));
    switch (r.kind) {
    case Kind::Book:
        if (!titleFirst)
            titleSentence(out, r, TextStyle::Italic);
        if (!singleLine(r.publisher).isEmpty())
            out << QLatin1Char(' ') + sentence(r.publisher);
        break;
    case Kind::BookChapter:
        if (!titleFirst)
            titleSentence(out, r);
        if (!singleLine(r.containerTitle).isEmpty()) {
            out << QStringLiteral(" In ");
            const QString book = singleLine(r.containerTitle);
            out.italic(endsSentence(book) ? book.chopped(1) : book);
            if (!range.first.isEmpty())
                out << QLatin1String(range.isSingle() ? " (p. " : " (pp. ") + apaPages(range) + QLatin1Char(')');
            out << QStringLiteral(".");
        }
        if (!singleLine(r.publisher).isEmpty())
            out << QLatin1Char(' ') + sentence(r.publisher);
        break;
    case Kind::JournalArticle: {
        if (!titleFirst)
            titleSentence(out, r);
        const QString journal = journalName(r, false);
        if (!journal.isEmpty()) {
            out << QStringLiteral(" ");
            out.italic(journal);
        }
        const QString volume = singleLine(r.volume);
        const QString issue = singleLine(r.issue);
        if (!volume.isEmpty()) {
            out << (journal.isEmpty() ? QStringLiteral(" ") : QStringLiteral(", "));
            out.italic(volume);
        }
        if (!issue.isEmpty())
            out << (!volume.isEmpty() ? QStringLiteral("(") : journal.isEmpty() ? QStringLiteral(" (") : QStringLiteral(", ("))
                       + issue + QLatin1Char(')');
        const bool located = !journal.isEmpty() || !volume.isEmpty() || !issue.isEmpty();
        if (!range.first.isEmpty())
            out << (located ? QLatin1String(", ") : QLatin1String(" ")) + apaPages(range);
        if (located || !range.first.isEmpty())
            out << QStringLiteral(".");
        break;
    }
    }
    appendDoiUrl(out, r, QString());
    return out.richText();
}

// --- MLA ----------------------------------------------------------------------

// A fore name with a full stop after each lone initial ("Nkem T" gives "Nkem T.").
QString mlaGivenName(const ReferenceAuthor &a)
{
    const QString foreName = singleLine(a.foreName);
    if (foreName.isEmpty())
        return apaInitials(a);
    QStringList words = foreName.split(u' ');
    for (QString &word : words) {
        if (word.size() == 1 && word.at(0).isLetter())
            word += QLatin1Char('.');
    }
    return words.join(QLatin1Char(' '));
}

// ", Jr" after a person's name, as MLA writes a suffix in either order.
QString mlaSuffix(const ReferenceAuthor &a)
{
    const QString suffix = singleLine(a.suffix);
    return a.collective || suffix.isEmpty() ? QString() : QLatin1String(", ") + suffix;
}

QString mlaInverted(const ReferenceAuthor &a)
{
    const QString given = mlaGivenName(a);
    return (a.collective || given.isEmpty() ? singleLine(a.last) : singleLine(a.last) + QLatin1String(", ") + given)
        + mlaSuffix(a);
}

QString mlaDirect(const ReferenceAuthor &a)
{
    const QString given = mlaGivenName(a);
    return (a.collective || given.isEmpty() ? singleLine(a.last) : given + QLatin1Char(' ') + singleLine(a.last))
        + mlaSuffix(a);
}

QString mlaAuthors(const QList<ReferenceAuthor> &authors)
{
    switch (authors.size()) {
    case 0:
        return {};
    case 1:
        return mlaInverted(authors[0]);
    case 2:
        return mlaInverted(authors[0]) + QLatin1String(", and ") + mlaDirect(authors[1]);
    default:
        return mlaInverted(authors[0]) + QLatin1String(", et al.");
    }
}

QString mlaMonth(int month)
{
    static const std::array<const char *, 12> names = {"Jan.", "Feb.", "Mar.", "Apr.", "May", "June",
                                                      "July", "Aug.", "Sept.", "Oct.", "Nov.", "Dec."};
    return month >= 1 && month <= 12 ? QString::fromLatin1(names[size_t(month - 1)]) : QString();
}

// Above 99, the last page keeps only the digits that differ, at least two
// ("211-19", "1003-05", "1608-774").
QString mlaPageRange(const PageRange &range)
{
    static const QRegularExpression digits(QStringLiteral("^\\d+$"));
    QString last = range.last;
    if (digits.match(range.first).hasMatch() && digits.match(last).hasMatch() && range.first.size() == last.size()) {
        qsizetype kept = 2;
        while (kept < last.size() && range.first.left(last.size() - kept) != last.left(last.size() - kept))
            ++kept;
        last = last.right(kept);
    }
    return range.first + kEnDash + last;
}

QString mlaPages(const PageRange &range)
{
    if (range.first.isEmpty())
        return {};
    if (range.isArticleNumber())
        return range.first;
    if (range.isSingle())
        return QLatin1String("p. ") + range.first;
    return QLatin1String("pp. ") + mlaPageRange(range);
}

QString mlaDate(const Reference &r)
{
    const QString year = yearOf(r);
    const QString month = !year.isEmpty() && isPlainYear(r) ? mlaMonth(r.monthNumber()) : QString();
    return month.isEmpty() ? year : month + QLatin1Char(' ') + year;
}

// The title in title case, its italic stretches (species names) as they are.
RichText mlaTitle(const RichText &title)
{
    const QString plain = title.toPlainText();
    QBitArray italic(int(plain.size()));
    qsizetype at = 0;
    for (const RichTextRun &run : title.runs()) {
        if (run.style.testFlag(TextStyle::Italic))
            italic.fill(true, int(at), int(at + run.text.size()));
        at += run.text.size();
    }
    const QString cased = titleCase(plain, italic);
    RichText out;
    at = 0;
    for (const RichTextRun &run : title.runs()) {
        out.append(cased.mid(at, run.text.size()), run.style);
        at += run.text.size();
    }
    return out;
}

// The reference with its title in title case, for titleSentence().
Reference mlaTitled(const Reference &r)
{
    Reference titled = r;
    titled.styledTitle = mlaTitle(titleLine(r));
    titled.title = titled.styledTitle.toPlainText();
    return titled;
}

RichText mla(const Reference &original)
{
    const Reference r = mlaTitled(original);
    CitationText out;
    const QString authors = mlaAuthors(r.authors);
    if (!authors.isEmpty())
        out << sentence(authors) + QLatin1Char(' ');
    const QString title = singleLine(r.title);
    if (r.kind == Kind::Book) {
        titleSentence(out, r, TextStyle::Italic);
    } else if (!title.isEmpty()) {
        out << QString(QChar(0x201C));
        titleSentence(out, r);
        out << QString(QChar(0x201D));
    }

    // The DOI is the last element, after a comma.
    const QString close = singleLine(r.doi).isEmpty() ? QStringLiteral(".") : QStringLiteral(",");
    QStringList elements;
    if (r.kind == Kind::Book) {
        elements << singleLine(r.publisher) << mlaDate(r);
    } else {
        const QString container =
            titleCase(r.kind == Kind::BookChapter ? singleLine(r.containerTitle) : journalName(r, false));
        if (!container.isEmpty()) {
            out << QStringLiteral(" ");
            out.italic(endsSentence(container) ? container.chopped(1) : container);
        }
        if (!singleLine(r.volume).isEmpty())
            elements << QLatin1String("vol. ") + singleLine(r.volume);
        if (!singleLine(r.issue).isEmpty())
            elements << QLatin1String("no. ") + singleLine(r.issue);
        if (r.kind == Kind::BookChapter)
            elements << singleLine(r.publisher);
        elements << mlaDate(r) << mlaPages(PageRange::fromMedlinePgn(singleLine(r.pages)));
        if (!container.isEmpty() && !elements.join(QString()).isEmpty())
            out << QStringLiteral(",");
    }
    elements.removeAll(QString());
    if (!elements.isEmpty())
        out << QLatin1Char(' ') + elements.join(QLatin1String(", ")) + close;
    else if (r.kind != Kind::Book && !singleLine(r.containerTitle + r.journalAbbreviation).isEmpty())
        out << close;
    appendDoiUrl(out, r, QStringLiteral("."));
    return out.richText();
}

} // namespace

QList<CitationStyle> CitationStyles::all()
{
    return {CitationStyle::Vexmoor, CitationStyle::Nlm, CitationStyle::Ama, CitationStyle::Apa, CitationStyle::Mla};
}

QString CitationStyles::name(CitationStyle style)
{
    switch (style) {
    case CitationStyle::Vexmoor:
        break;
    case CitationStyle::Nlm:
        return QStringLiteral("NLM");
    case CitationStyle::Ama:
        return QStringLiteral("AMA");
    case CitationStyle::Apa:
        return QStringLiteral("APA");
    case CitationStyle::Mla:
        return QStringLiteral("MLA");
    }
    return QStringLiteral("Vexmoor");
}

std::optional<CitationStyle> CitationStyles::named(const QString &name)
{
    for (const CitationStyle style : all()) {
        if (name.compare(CitationStyles::name(style), Qt::CaseInsensitive) == 0)
            return style;
    }
    return std::nullopt;
}

namespace {
RichText citeInStyle(CitationStyle style, const Reference &reference)
{
    switch (style) {
    case CitationStyle::Nlm:
        return nlm(reference);
    case CitationStyle::Ama:
        return ama(reference);
    case CitationStyle::Apa:
        return apa(reference);
    case CitationStyle::Mla:
        return mla(reference);
    case CitationStyle::Vexmoor:
        break;
    }
    return nlm(reference);
}
} // namespace

RichText CitationStyles::cite(CitationStyle style, const Reference &reference)
{
    RichText citation = citeInStyle(style, reference);
    const QString note = retractionNote(reference.retracted, reference.retractionIn);
    if (!note.isEmpty())
        citation.append(citation.isEmpty() ? note : QLatin1Char(' ') + note);
    return citation;
}

QString CitationStyles::nlmSource(const Reference &reference)
{
    CitationText out;
    appendNlmSource(out, reference);
    return out.richText().toPlainText();
}

RichText CitationStyles::citationForArticle(CitationStyle style, const ArticleRecord &article)
{
    if (style != CitationStyle::Vexmoor)
        return cite(style, referenceForArticle(article));
    return styledCitationForArticle(article);
}

RichText CitationStyles::exportTextInStyle(CitationStyle style, const QList<ArticleRecord> &articles,
                                           QList<qsizetype> rows, const Endpoints &endpoints)
{
    if (style == CitationStyle::Vexmoor)
        return exportTextForArticles(articles, rows, endpoints);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    RichText text;
    for (const qsizetype row : std::as_const(rows)) {
        if (row < 0 || row >= articles.size())
            continue;
        text.append(cite(style, referenceForArticle(articles.at(row))));
        text.append(QStringLiteral("\n\n"));
    }
    return text;
}
