// How well a pasted reference list is matched to PubMed articles, and with
// how many requests.
//
// Reproduce (Release build):
//   cmake --build build --target vexmoor-reference-bench
//   build/bench/references/vexmoor-reference-bench [--verbose]
//
// The reference set is made from the real records of the test data
// (tests/data/entrez/efetch): each journal article is written as an AMA, an
// APA and an NLM (Vancouver) reference by the application's own citation
// styles, and each reference is varied in turn: as written (with its DOI);
// without the DOI and the issue; without the DOI, the journal named
// differently (the full title for a style that abbreviates, the abbreviation
// with periods, or the abbreviation where APA gives the title); without the
// DOI, a typo in the title; without the DOI and the pages; without the DOI
// and the pages, with a typo. One record in ten is held back from the
// stand-in PubMed, so its references are not in PubMed: any PMID given for
// them is a wrong one.
//
// The stand-in is the fake server on 127.0.0.1, answering as the services
// would from the records: the ID converter knows the DOIs and PMCIDs of the
// articles in PMC; ECitMatch matches a known journal (title or abbreviation,
// periods and case aside), the year and what is given of volume (its number:
// "95 Suppl 9" is 95), first page and first author; ESearch evaluates the terms the matcher sends ([ti] words,
// [1au], [dp] ranges, [vi], [pg], [doi], AND, OR, NOT).
//
// Reported: precision (right PMIDs among the PMIDs given), recall (references
// of articles in PubMed given their right PMID), ambiguous and not-found
// references, requests per 100 references by service, the requests of one
// list of 100 references, and the most requests of each service within any
// one second; then precision and recall once more with ECitMatch finding
// nothing, which measures the search that takes what ECitMatch leaves.

#include "BenchRun.h"
#include "FakeEutilsServer.h"
#include "RealAnswer.h"

#include "citations/PlainWriter.h"
#include "entrez/ArticleExtractor.h"
#include "export/CitationStyle.h"
#include "export/PageRange.h"
#include "export/Reference.h"
#include "references/ReferenceMatcher.h"
#include "references/ReferenceParser.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <QUrlQuery>

#include <cstdio>
#include <functional>

namespace {

QString folded(const QString &text)
{
    return withoutAccents(text).toLower();
}

QSet<QString> wordsOf(const QString &text)
{
    const QStringList words = folded(text).split(QRegularExpression(QStringLiteral("[^a-z0-9]+")), Qt::SkipEmptyParts);
    return QSet<QString>(words.cbegin(), words.cend());
}

QString journalKey(const QString &journal)
{
    return folded(journal).replace(QLatin1Char('.'), QLatin1Char(' ')).simplified();
}

// One article of the stand-in PubMed.
struct Entry
{
    QString pmid;
    QSet<QString> titleWords;
    QString firstAuthor; // "smith ja"
    int year = 0;
    QString volume;
    QString firstPage;
    QString doi;
    QString pmcid;
    QSet<QString> journals;
};

Entry entryOf(const Reference &reference)
{
    Entry entry;
    entry.pmid = reference.pmid;
    entry.titleWords = wordsOf(reference.title);
    if (!reference.authors.isEmpty())
        entry.firstAuthor = folded(reference.authors.constFirst().last + u' ' + reference.authors.constFirst().initials);
    entry.year = reference.year().toInt();
    // "95 Suppl 9" is volume 95.
    entry.volume = reference.volume.section(u' ', 0, 0);
    entry.firstPage = PageRange::fromMedlinePgn(reference.pages).first;
    entry.doi = reference.doi.toLower();
    entry.pmcid = reference.pmcid.toUpper();
    entry.journals = {journalKey(reference.journalAbbreviation), journalKey(reference.containerTitle)};
    return entry;
}

// Evaluates the terms the matcher sends, over the entries.
class TermEvaluator
{
public:
    TermEvaluator(const QList<Entry> &entries, const QString &term) : m_entries(entries)
    {
        static const QRegularExpression token(QStringLiteral(R"(\(|\)|"[^"]*"\[[a-z0-9]+\]|[^\s()\[]+\[[a-z0-9]+\]|[^\s()]+)"));
        QRegularExpressionMatchIterator it = token.globalMatch(term);
        while (it.hasNext())
            m_tokens.append(it.next().captured(0));
    }
    QSet<int> run() { return orOf(); }

private:
    QSet<int> all() const
    {
        QSet<int> every;
        for (int i = 0; i < m_entries.size(); ++i)
            every.insert(i);
        return every;
    }
    QString peek() const { return m_tokens.value(m_next); }
    // Operands joined by `op`, each of the next tighter kind: OR of ANDs of NOTs.
    QSet<int> joined(int level)
    {
        static const char *const ops[] = {"OR", "AND", "NOT"};
        QSet<int> result = level < 2 ? joined(level + 1) : primary();
        while (peek() == QLatin1String(ops[level])) {
            ++m_next;
            const QSet<int> next = level < 2 ? joined(level + 1) : primary();
            if (level == 0)
                result.unite(next);
            else if (level == 1)
                result.intersect(next);
            else
                result.subtract(next);
        }
        return result;
    }
    QSet<int> orOf() { return joined(0); }
    QSet<int> primary()
    {
        const QString token = m_tokens.value(m_next++);
        if (token == QLatin1String("(")) {
            QSet<int> inner = orOf();
            ++m_next; // ")"
            return inner;
        }
        const qsizetype open = token.lastIndexOf(QLatin1Char('['));
        const QString tag = token.mid(open + 1).chopped(1);
        QString value = token.left(open);
        value.remove(QLatin1Char('"'));
        QSet<int> matches;
        for (int i = 0; i < m_entries.size(); ++i) {
            if (matchesField(m_entries.at(i), tag, folded(value)))
                matches.insert(i);
        }
        return matches;
    }
    static bool matchesField(const Entry &entry, const QString &tag, const QString &value)
    {
        if (tag == QLatin1String("ti"))
            return entry.titleWords.contains(value);
        if (tag == QLatin1String("1au"))
            return !entry.firstAuthor.isEmpty() && entry.firstAuthor.startsWith(value);
        if (tag == QLatin1String("dp")) {
            const QStringList range = value.split(QLatin1Char(':'));
            return entry.year >= range.value(0).toInt() && entry.year <= range.value(range.size() - 1).toInt();
        }
        if (tag == QLatin1String("vi"))
            return entry.volume == value;
        if (tag == QLatin1String("pg"))
            return entry.firstPage.compare(value, Qt::CaseInsensitive) == 0;
        if (tag == QLatin1String("doi"))
            return entry.doi == value;
        return false; // [pt]: no erratum among the records
    }

    const QList<Entry> &m_entries;
    QStringList m_tokens;
    qsizetype m_next = 0;
};

QByteArray esearchAnswer(const QList<Entry> &entries, const QSet<int> &found, int retMax)
{
    QList<int> sorted(found.cbegin(), found.cend());
    std::sort(sorted.begin(), sorted.end());
    QByteArray ids;
    for (qsizetype i = 0; i < sorted.size() && i < retMax; ++i)
        ids += "<Id>" + entries.at(sorted.at(i)).pmid.toLatin1() + "</Id>";
    return "<?xml version=\"1.0\"?><eSearchResult><Count>" + QByteArray::number(found.size()) + "</Count><RetMax>"
           + QByteArray::number(std::min<qsizetype>(retMax, found.size())) + "</RetMax><RetStart>0</RetStart><IdList>" + ids
           + "</IdList></eSearchResult>";
}

QByteArray ecitmatchAnswer(const QList<Entry> &entries, const QString &bdata)
{
    QSet<QString> journals;
    for (const Entry &entry : entries)
        journals.unite(entry.journals);
    QByteArray out;
    for (const QString &line : bdata.split(QLatin1Char('\r'), Qt::SkipEmptyParts)) {
        const QStringList f = line.split(QLatin1Char('|'));
        QString result = QStringLiteral("NOT_FOUND;INVALID_JOURNAL");
        if (journals.contains(journalKey(f.value(0)))) {
            QStringList found;
            for (const Entry &entry : entries) {
                const bool same = entry.journals.contains(journalKey(f.value(0))) && entry.year == f.value(1).toInt()
                                  && (f.value(2).isEmpty() || entry.volume == f.value(2))
                                  && (f.value(3).isEmpty() || entry.firstPage.compare(f.value(3), Qt::CaseInsensitive) == 0)
                                  && (f.value(4).isEmpty() || entry.firstAuthor.startsWith(f.value(4)));
                if (same)
                    found.append(entry.pmid);
            }
            result = found.size() == 1 ? found.constFirst()
                     : found.isEmpty() ? QStringLiteral("NOT_FOUND")
                                       : QStringLiteral("AMBIGUOUS (%1 citations)").arg(found.size());
        }
        out += (f.mid(0, 6).join(QLatin1Char('|')) + u'|' + result + u'\n').toUtf8();
    }
    return out;
}

QByteArray idconvAnswer(const QList<Entry> &entries, const QUrlQuery &query)
{
    const QString type = query.queryItemValue(QStringLiteral("idtype"));
    QJsonArray records;
    for (const QString &id : query.queryItemValue(QStringLiteral("ids"), QUrl::FullyDecoded).split(QLatin1Char(','))) {
        QJsonObject record{{QStringLiteral("requested-id"), id}};
        for (const Entry &entry : entries) {
            const bool same = type == QLatin1String("doi") ? entry.doi == id.toLower() : entry.pmcid == id.toUpper();
            if (same && !entry.pmcid.isEmpty()) {
                record.insert(QStringLiteral("pmid"), entry.pmid.toLongLong());
                record.insert(QStringLiteral("pmcid"), entry.pmcid);
                record.insert(QStringLiteral("doi"), entry.doi);
            }
        }
        if (!record.contains(QStringLiteral("pmid"))) {
            record.insert(QStringLiteral("status"), QStringLiteral("error"));
            record.insert(QStringLiteral("errmsg"), QStringLiteral("Identifier not found in PMC"));
        }
        records.append(record);
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("status"), QStringLiteral("ok")}, {QStringLiteral("records"), records}})
        .toJson(QJsonDocument::Compact);
}

// `citationMatchOff`: ECitMatch finds nothing, so that the search alone is measured.
void serve(FakeEutilsServer &server, const QList<Entry> &entries, const bool &citationMatchOff)
{
    server.setHandler(QLatin1String(Paths::ESearch), [&entries](const QUrl &url) {
        const QUrlQuery query(url);
        const QString term = query.queryItemValue(QStringLiteral("term"), QUrl::FullyDecoded);
        return FakeResponse::xml(esearchAnswer(entries, TermEvaluator(entries, term).run(),
                                               query.queryItemValue(QStringLiteral("retmax")).toInt()));
    });
    server.setHandler(QLatin1String(Paths::ECitMatch), [&entries, &citationMatchOff](const QUrl &url) {
        FakeResponse response = FakeResponse::xml(ecitmatchAnswer(
            citationMatchOff ? QList<Entry>() : entries, QUrlQuery(url).queryItemValue(QStringLiteral("bdata"), QUrl::FullyDecoded)));
        response.contentType = "text/plain";
        return response;
    });
    server.setHandler(QLatin1String(Paths::IdConverter), [&entries](const QUrl &url) {
        FakeResponse response = FakeResponse::xml(idconvAnswer(entries, QUrlQuery(url)));
        response.contentType = "application/json";
        return response;
    });
}

// One article's reference in `style`, varied as the header says.
QString referenceText(Reference reference, CitationStyle style, int variation)
{
    if (variation > 0)
        reference.doi.clear();
    if (variation == 1)
        reference.issue.clear();
    if (variation == 2) {
        if (style == CitationStyle::Apa)
            reference.containerTitle = reference.journalAbbreviation;
        else if (reference.journalAbbreviation.contains(QLatin1Char(' ')))
            reference.journalAbbreviation = reference.journalAbbreviation.split(QLatin1Char(' ')).join(QStringLiteral(". ")) + u'.';
        else
            reference.journalAbbreviation = reference.containerTitle;
    }
    if (variation == 3 || variation == 5) {
        QStringList words = reference.title.split(QLatin1Char(' '));
        auto longest = std::max_element(words.begin(), words.end(), [](const QString &a, const QString &b) { return a.size() < b.size(); });
        if (longest != words.end() && longest->size() >= 5)
            std::swap((*longest)[2], (*longest)[3]);
        reference.title = words.join(QLatin1Char(' '));
    }
    if (variation == 4 || variation == 5)
        reference.pages.clear();
    return PlainWriter::write(CitationStyles::cite(style, reference)).simplified();
}

struct Case
{
    QString text;
    QString pmid;   // the article's
    bool inPubMed;  // not held back
};

struct Score
{
    int right = 0, wrong = 0, ambiguous = 0, notFound = 0, inPubMed = 0;
};

Score scored(const ReferenceMatching &outcome, const QList<Case> &cases, bool verbose)
{
    Score score;
    for (qsizetype i = 0; i < cases.size(); ++i) {
        const ReferenceMatch &found = outcome.matches.at(i);
        score.inPubMed += cases.at(i).inPubMed ? 1 : 0;
        const bool right = found.found() && found.pmid == cases.at(i).pmid && cases.at(i).inPubMed;
        score.right += right ? 1 : 0;
        score.wrong += found.found() && !right ? 1 : 0;
        score.ambiguous += found.how == ReferenceMatch::How::Ambiguous ? 1 : 0;
        score.notFound += !found.found() && found.how != ReferenceMatch::How::Ambiguous && cases.at(i).inPubMed ? 1 : 0;
        if (verbose && (found.found() || cases.at(i).inPubMed) && !right) {
            const ParsedReference parsed = parseReference(cases.at(i).text);
            std::printf("%s\t%s%s\t%s\n\t[%s %s | %s | %s | %s %s(%s):%s]\n", qPrintable(found.pmid.isEmpty() ? QStringLiteral("-") : found.pmid),
                        qPrintable(cases.at(i).pmid), cases.at(i).inPubMed ? "" : " (held back)", qPrintable(cases.at(i).text),
                        qPrintable(parsed.surname), qPrintable(parsed.initials), qPrintable(parsed.title), qPrintable(parsed.journal),
                        qPrintable(parsed.year), qPrintable(parsed.volume), qPrintable(parsed.issue), qPrintable(parsed.firstPage));
        }
    }
    return score;
}

ReferenceMatching match(const Endpoints &endpoints, const QStringList &texts, const EutilsIdentity &identity = {})
{
    ReferenceMatcher matcher(endpoints);
    matcher.setIdentity(identity);
    ReferenceMatching outcome;
    QEventLoop loop;
    QObject::connect(&matcher, &ReferenceMatcher::finished, [&](const ReferenceMatching &result) {
        outcome = result;
        loop.quit();
    });
    matcher.start(texts);
    loop.exec();
    return outcome;
}

QHash<QString, int> requestsByService(const FakeEutilsServer &server, qsizetype from = 0)
{
    QHash<QString, int> counts;
    for (qsizetype i = from; i < server.requests().size(); ++i)
        ++counts[server.requests().at(i).url.path()];
    return counts;
}

int mostWithinASecond(const FakeEutilsServer &server, const QString &path)
{
    QList<qint64> times;
    for (const FakeRequest &request : server.requests()) {
        if (request.url.path() == path)
            times.append(request.arrivalMs);
    }
    int most = 0;
    for (qsizetype i = 0, j = 0; i < times.size(); ++i) {
        while (times.at(i) - times.at(j) >= 1000)
            ++j;
        most = std::max(most, int(i - j + 1));
    }
    return most;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    bool verbose = false;
    if (!readBenchArguments(app.arguments().mid(1), {{"--verbose", &verbose}}, "vexmoor-reference-bench [--verbose]"))
        return 2;

    // Every record of the test data but the one of 1.8 MB.
    std::string answer = "<?xml version=\"1.0\"?><PubmedArticleSet>";
    for (const std::string &record : realRecords(QStringLiteral(VEXMOOR_TESTDATA_DIR "/efetch"), false))
        answer += record;
    ArticleList articles;
    appendArticlesFromBytes(QByteArray::fromStdString(answer + "</PubmedArticleSet>"), articles, "");
    QList<Reference> references;
    QSet<QString> seen;
    for (const ArticleRecord &article : std::as_const(articles)) {
        const Reference reference = referenceForArticle(article);
        if (!seen.contains(reference.pmid) && reference.kind == Reference::Kind::JournalArticle && !reference.title.isEmpty()) {
            seen.insert(reference.pmid);
            references.append(reference);
        }
    }

    QList<Entry> entries;
    QList<Case> cases;
    const CitationStyle styles[] = {CitationStyle::Ama, CitationStyle::Apa, CitationStyle::Nlm};
    for (qsizetype i = 0; i < references.size(); ++i) {
        const bool inPubMed = i % 10 != 9;
        if (inPubMed)
            entries.append(entryOf(references.at(i)));
        // NLM's style names the PMID, which finds any article: only the
        // references as written keep it, and none of an article held back.
        Reference unidentified = references.at(i);
        unidentified.pmid.clear();
        unidentified.pmcid.clear();
        for (int s = 0; s < 3; ++s) {
            const int variation = int((i + s) % 6);
            cases.append({referenceText(variation == 0 && inPubMed ? references.at(i) : unidentified, styles[s], variation),
                          references.at(i).pmid, inPubMed});
        }
    }
    QStringList texts;
    for (const Case &c : std::as_const(cases))
        texts.append(c.text);

    FakeEutilsServer server;
    bool citationMatchOff = false;
    serve(server, entries, citationMatchOff);
    const Score score = scored(match(server.endpoints(), texts), cases, verbose);
    const QHash<QString, int> all = requestsByService(server);
    const qsizetype before = server.requests().size();
    match(server.endpoints(), texts.mid(0, 100));
    const QHash<QString, int> hundred = requestsByService(server, before);
    const QString services[] = {QLatin1String(Paths::IdConverter), QLatin1String(Paths::ECitMatch), QLatin1String(Paths::ESearch)};
    int most[3];
    for (int s = 0; s < 3; ++s)
        most[s] = mostWithinASecond(server, services[s]);
    // Hundreds of searches: at the pace of an API key.
    citationMatchOff = true;
    const Score searched = scored(match(server.endpoints(), texts, {QStringLiteral("bench"), {}}), cases, false);
    const char *names[] = {"ID converter", "ECitMatch", "ESearch"};
    std::printf("references: %lld (%d of articles in the stand-in PubMed, %lld held back), from %lld records\n",
                static_cast<long long>(cases.size()), score.inPubMed, static_cast<long long>(cases.size() - score.inPubMed),
                static_cast<long long>(references.size()));
    std::printf("precision: %.2f %% (%d right, %d wrong)   target >= 99 %%: %s\n",
                100.0 * score.right / std::max(1, score.right + score.wrong), score.right, score.wrong,
                score.right >= 0.99 * (score.right + score.wrong) ? "met" : "MISSED");
    std::printf("recall: %.2f %% (%d ambiguous, %d not found)   target >= 90 %%: %s\n",
                100.0 * score.right / std::max(1, score.inPubMed), score.ambiguous, score.notFound,
                score.right >= 0.9 * score.inPubMed ? "met" : "MISSED");
    std::printf("without ECitMatch, identifiers and the search alone: precision %.2f %% (%d wrong), recall %.2f %% "
                "(%d ambiguous, %d not found)\n",
                100.0 * searched.right / std::max(1, searched.right + searched.wrong), searched.wrong,
                100.0 * searched.right / std::max(1, searched.inPubMed), searched.ambiguous, searched.notFound);
    for (int s = 0; s < 3; ++s)
        std::printf("%-12s per 100 references: %.2f; for one list of 100: %d; most within one second: %d (pace %d)\n",
                    names[s], 100.0 * all.value(services[s]) / cases.size(), hundred.value(services[s]),
                    most[s], s == 0 ? kServiceRequestsPerSecond : kEutilsRequestsPerSecond);
    return 0;
}
