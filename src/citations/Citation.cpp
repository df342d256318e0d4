#include "Citation.h"

#include "citations/LinkUrl.h"
#include "citations/StyledText.h"

#include <algorithm>
#include <string>
#include <utility>
#include <string_view>

namespace {

using Key = ArticleRecord::Key;

// The pieces are put together in UTF-8, as the record holds them, and turned
// into a QString once.
class Utf8Text
{
public:
    Utf8Text &operator<<(std::string_view piece)
    {
        m_text.append(piece);
        return *this;
    }
    QString toQString() const { return QString::fromUtf8(m_text.data(), qsizetype(m_text.size())); }

private:
    std::string m_text;
};

QString textOf(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}

// "Last Initials Suffix" per person (each part there is) and the name of a
// group, joined by ", ", then ". "; nothing without an author.
void appendAuthorBlock(Utf8Text &out, const ArticleRecord &article)
{
    for (qsizetype i = 0; i < article.authorCount(); ++i) {
        if (i > 0)
            out << ", ";
        out << article.authorLastnameUtf8(i);
        for (std::string_view part : {article.authorInitialsUtf8(i), article.authorSuffixUtf8(i)}) {
            if (!article.authorIsCollective(i) && !part.empty())
                out << " " << part;
        }
    }
    if (article.authorCount() > 0)
        out << ". ";
}

// "Journal Year; Volume (Issue): Pages. ", each empty part left out with its
// punctuation; nothing when all are empty.
std::string sourceOf(const ArticleRecord &article)
{
    std::string head(article.utf8(Key::Journal));
    if (const std::string_view year = article.utf8(Key::Year); !year.empty())
        head.append(head.empty() ? "" : " ").append(year);
    std::string numbers(article.utf8(Key::Volume));
    if (const std::string_view issue = article.utf8(Key::Issue); !issue.empty())
        numbers.append(numbers.empty() ? "(" : " (").append(issue).append(")");
    if (const std::string_view pages = article.utf8(Key::Pages); !pages.empty())
        numbers.append(numbers.empty() ? "" : ": ").append(pages);
    if (!numbers.empty())
        head.append(head.empty() ? "" : "; ").append(numbers);
    return head.empty() ? head : head + ". ";
}

// Text put together line by line after `first`: a line break goes before a
// line only when something came before it.
class Lines
{
public:
    Lines(std::string first, bool started) : m_text(std::move(first)), m_started(started || !m_text.empty()) {}
    void add(std::string_view label, std::string_view value)
    {
        if (value.empty())
            return;
        if (m_started)
            m_text.push_back('\n');
        m_text.append(label).append(value);
        m_started = true;
    }
    bool started() const { return m_started; }
    const std::string &text() const { return m_text; }

private:
    std::string m_text;
    bool m_started;
};

// What follows the title: the source on the title's line, after a space
// when there is a title; then the PMID line.
Lines afterTitle(const ArticleRecord &article)
{
    const std::string source = sourceOf(article);
    const bool titled = !article.utf8(Key::Title).empty();
    Lines lines(titled && !source.empty() ? " " + source : source, titled || article.authorCount() > 0);
    lines.add("PMID: ", article.utf8(Key::PMID));
    return lines;
}

// Everything after the title in the plain forms: afterTitle(), the DOI
// line and the retraction line.
QString plainTail(const ArticleRecord &article)
{
    Lines lines = afterTitle(article);
    lines.add("DOI: ", article.utf8(Key::Doi));
    lines.add({}, retractionNoteForArticle(article).toStdString());
    return textOf(lines.text());
}

QString doiUrl(const ArticleRecord &article, const QString &doiOrigin)
{
    return doiOrigin + QLatin1Char('/') + encodedDoiPath(textOf(article.utf8(Key::Doi)));
}

RichText doiRun(const ArticleRecord &article, const QString &doiOrigin)
{
    RichText run;
    run.appendLink(textOf(article.utf8(Key::Doi)), doiUrl(article, doiOrigin));
    return run;
}

void appendRichCitation(RichText &out, const ArticleRecord &article, const QString &doiOrigin)
{
    Utf8Text authorBlock;
    appendAuthorBlock(authorBlock, article);
    out.append(authorBlock.toQString());

    const bool hasDoi = !article.utf8(Key::Doi).empty();
    if (hasDoi)
        out.append(styledText(article, Key::Title));
    else
        out.append(urlAStringForArticle(article));

    Lines lines = afterTitle(article);
    out.append(textOf(lines.text()));
    if (hasDoi) {
        out.append(lines.started() ? QStringLiteral(" | DOI: ") : QStringLiteral("DOI: "));
        out.append(doiRun(article, doiOrigin));
    }
    Lines retraction({}, lines.started() || hasDoi);
    retraction.add({}, retractionNoteForArticle(article).toStdString());
    out.append(textOf(retraction.text()));
    out.append(QStringLiteral("\n"));
    out.append(QStringLiteral("\n"));
}

} // namespace

QString retractionNote(bool retracted, const QString &noticeSource)
{
    const QString source = noticeSource.simplified();
    if (!source.isEmpty())
        return QLatin1String("Retraction in: ") + source + (source.endsWith(u'.') ? QString() : QStringLiteral("."));
    return retracted ? QStringLiteral("[Retracted].") : QString();
}

QString retractionNoteForArticle(const ArticleRecord &article)
{
    return retractionNote(article.isRetracted(), article.text(Key::RetractionIn));
}

QString citationStringForArticle(const ArticleRecord &article)
{
    Utf8Text head;
    appendAuthorBlock(head, article);
    head << article.utf8(Key::Title);
    return head.toQString() + plainTail(article);
}

RichText styledCitationForArticle(const ArticleRecord &article)
{
    Utf8Text authorBlock;
    appendAuthorBlock(authorBlock, article);
    RichText citation;
    citation.append(authorBlock.toQString());
    citation.append(styledText(article, Key::Title));
    citation.append(plainTail(article));
    return citation;
}

RichText citationAStringForArticle(const ArticleRecord &article, const Endpoints &endpoints)
{
    RichText citation;
    appendRichCitation(citation, article, endpoints.doiOrigin());
    return citation;
}

RichText urlAStringForArticle(const ArticleRecord &article)
{
    return styledText(article, Key::Title, encodedLinkUrl(textOf(article.utf8(Key::Hyperlink))));
}

RichText urlDOIStringForArticle(const ArticleRecord &article, const Endpoints &endpoints)
{
    return doiRun(article, endpoints.doiOrigin());
}

QString doiUrlForArticle(const ArticleRecord &article, const Endpoints &endpoints)
{
    return doiUrl(article, endpoints.doiOrigin());
}

RichText exportTextForArticles(const ArticleList &articles, QList<qsizetype> rows, const Endpoints &endpoints)
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    const QString doiOrigin = endpoints.doiOrigin();
    RichText text;
    text.reserve(rows.size() * 7);
    for (const qsizetype row : std::as_const(rows)) {
        if (row >= 0 && row < articles.size())
            appendRichCitation(text, articles.at(row), doiOrigin);
    }
    return text;
}

RichText exportTextForArticles(const ArticleList &articles, const Endpoints &endpoints)
{
    const QString doiOrigin = endpoints.doiOrigin();
    RichText text;
    text.reserve(articles.size() * 7);
    for (const ArticleRecord &article : articles)
        appendRichCitation(text, article, doiOrigin);
    return text;
}
