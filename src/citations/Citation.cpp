#include "Citation.h"

#include "citations/LinkUrl.h"
#include "citations/StyledText.h"

#include <algorithm>
#include <string>
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
// group, joined by ", ", then
// ". " (also with no author).
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
    out << ". ";
}

// "Journal Year; Volume (Issue): Pages. \nPMID: n", shared by both forms.
void appendJournalPieces(Utf8Text &out, const ArticleRecord &article)
{
    out << article.utf8(Key::Journal) << " " << article.utf8(Key::Year) << "; " << article.utf8(Key::Volume) << " ("
        << article.utf8(Key::Issue) << "): " << article.utf8(Key::Pages) << ". \nPMID: " << article.utf8(Key::PMID);
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

    Utf8Text journal;
    journal << " ";
    appendJournalPieces(journal, article);
    out.append(journal.toQString());

    if (hasDoi) {
        out.append(QStringLiteral(" | DOI: "));
        out.append(doiRun(article, doiOrigin));
    }
    out.append(QStringLiteral("\n"));
    out.append(QStringLiteral("\n"));
}

} // namespace

QString citationStringForArticle(const ArticleRecord &article)
{
    Utf8Text out;
    appendAuthorBlock(out, article);
    out << article.utf8(Key::Title) << " ";
    appendJournalPieces(out, article);
    out << "\nDOI: " << article.utf8(Key::Doi);
    return out.toQString();
}

RichText styledCitationForArticle(const ArticleRecord &article)
{
    Utf8Text authorBlock;
    appendAuthorBlock(authorBlock, article);
    Utf8Text rest;
    rest << " ";
    appendJournalPieces(rest, article);
    rest << "\nDOI: " << article.utf8(Key::Doi);
    RichText citation;
    citation.append(authorBlock.toQString());
    citation.append(styledText(article, Key::Title));
    citation.append(rest.toQString());
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
