#include "review/ReviewDuplicates.h"

#include "export/PageRange.h"
#include "review/ReviewMessages.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QUrl>

#include <algorithm>
#include <numeric>
#include <vector>

namespace {

using namespace ReviewDuplicates;

// The edits (insert, delete, replace) from a to b, or limit + 1 when there are more.
int editDistance(const QString &a, const QString &b, int limit)
{
    const qsizetype n = a.size(), m = b.size();
    if (std::abs(n - m) > limit)
        return limit + 1;
    std::vector<int> row(m + 1);
    std::iota(row.begin(), row.end(), 0);
    for (qsizetype i = 1; i <= n; ++i) {
        int diagonal = row[0];
        row[0] = int(i);
        int best = row[0];
        for (qsizetype j = 1; j <= m; ++j) {
            const int above = row[j];
            row[j] = std::min({above + 1, row[j - 1] + 1, diagonal + (a.at(i - 1) == b.at(j - 1) ? 0 : 1)});
            diagonal = above;
            best = std::min(best, row[j]);
        }
        if (best > limit)
            return limit + 1;
    }
    return row[m];
}

// One typo: a letter wrong, missing or extra, or two swapped.
int typoLimit(const QString &title)
{
    return title.size() >= 20 ? 2 : title.size() >= 8 ? 1 : 0;
}

struct Keys
{
    QString pmid, doi, title, year, page, author;
};

Keys keysOf(const ReviewRecord &record)
{
    return {record.pmid.trimmed(), normalizedDoi(record.doi), normalizedTitle(record.title), record.year.trimmed(),
            firstPage(record.pages), firstAuthor(record.authors)};
}

bool same(const QString &a, const QString &b)
{
    return !a.isEmpty() && a == b;
}

Verdict compareKeys(const Keys &a, const Keys &b)
{
    if (identifiersClash(a.pmid, b.pmid) || identifiersClash(a.doi, b.doi))
        return {};
    if (same(a.pmid, b.pmid))
        return {Match::Sure, ReviewMessages::samePmid()};
    if (same(a.doi, b.doi))
        return {Match::Sure, ReviewMessages::sameDoi()};
    if (a.title.isEmpty() || b.title.isEmpty())
        return {};
    const bool year = same(a.year, b.year);
    const bool page = same(a.page, b.page);
    const bool author = same(a.author, b.author);
    // Nothing but the title alike is never a duplicate: the costly comparison is spared.
    if (!year && !page && !author)
        return {};
    const int close = typoLimit(a.title);
    const int loose = std::max(3, int(a.title.size() / 10));
    const int distance = a.title == b.title ? 0 : editDistance(a.title, b.title, loose);
    if (distance > loose)
        return {};
    if (distance <= close && year && (page || author))
        return {Match::Sure, page ? ReviewMessages::sameTitleYearPage() : ReviewMessages::sameTitleYearAuthor()};
    if (distance <= close ? (year || page || author) : (year && (page || author)))
        return {Match::Uncertain, ReviewMessages::similarTitle()};
    return {};
}

// Sets of records joined by sure matches; a set holds at most one PMID and one DOI.
class Sets
{
public:
    explicit Sets(const std::vector<Keys> &keys) : m_parent(keys.size()), m_pmid(keys.size()), m_doi(keys.size())
    {
        std::iota(m_parent.begin(), m_parent.end(), 0);
        for (size_t i = 0; i < keys.size(); ++i) {
            m_pmid[i] = keys[i].pmid;
            m_doi[i] = keys[i].doi;
        }
    }
    qsizetype root(qsizetype i)
    {
        while (m_parent[i] != i)
            i = m_parent[i] = m_parent[m_parent[i]];
        return i;
    }
    // False when the two sets would hold two PMIDs or two DOIs.
    bool join(qsizetype a, qsizetype b)
    {
        a = root(a);
        b = root(b);
        if (a == b)
            return true;
        if (identifiersClash(m_pmid[a], m_pmid[b]) || identifiersClash(m_doi[a], m_doi[b]))
            return false;
        m_parent[b] = a;
        if (m_pmid[a].isEmpty()) m_pmid[a] = m_pmid[b];
        if (m_doi[a].isEmpty()) m_doi[a] = m_doi[b];
        return true;
    }

private:
    std::vector<qsizetype> m_parent;
    std::vector<QString> m_pmid, m_doi;
};

// A bucket this large is a title too common to tell records apart ("Editorial").
constexpr qsizetype kLargestBucket = 300;
constexpr qsizetype kTitleKey = 24;

} // namespace

QString ReviewDuplicates::normalizedDoi(const QString &doi)
{
    static const QRegularExpression prefix(
        QStringLiteral("^(?:https?://(?:dx\\.)?doi\\.org/|doi:\\s*|https?://doi\\.org/)"), QRegularExpression::CaseInsensitiveOption);
    QString text = QUrl::fromPercentEncoding(doi.trimmed().toUtf8()).trimmed();
    text.remove(prefix);
    while (!text.isEmpty() && QStringLiteral(".,;").contains(text.back()))
        text.chop(1);
    return text.toLower();
}

QString ReviewDuplicates::normalizedTitle(const QString &title)
{
    const QString decomposed = title.normalized(QString::NormalizationForm_KD);
    QString out;
    out.reserve(decomposed.size());
    bool space = false;
    for (const QChar c : decomposed) {
        if (c.category() == QChar::Mark_NonSpacing)
            continue;
        if (c.isLetterOrNumber()) {
            if (space && !out.isEmpty())
                out += u' ';
            out += c.toLower();
            space = false;
        } else {
            space = true;
        }
    }
    return out;
}

QString ReviewDuplicates::firstPage(const QString &pages)
{
    QString text = pages.trimmed();
    text.remove(QRegularExpression(QStringLiteral("^p+\\.?\\s*"), QRegularExpression::CaseInsensitiveOption));
    text.replace(QChar(0x2013), u'-').replace(QChar(0x2014), u'-');
    QString first = PageRange::fromMedlinePgn(text).first.trimmed().toLower();
    if (first.startsWith(u'e') && first.size() > 1 && first.at(1).isDigit())
        first.remove(0, 1);
    while (first.size() > 1 && first.startsWith(u'0'))
        first.remove(0, 1);
    return first;
}

QString ReviewDuplicates::firstAuthor(const QStringList &authors)
{
    if (authors.isEmpty())
        return {};
    const QString name = authors.constFirst().trimmed();
    // "Smith, John" and "Smith J" alike: the family name comes first in every export.
    const qsizetype comma = name.indexOf(u',');
    QString family = comma >= 0 ? name.left(comma) : name.section(u' ', 0, 0);
    return normalizedTitle(family);
}

bool ReviewDuplicates::identifiersClash(const QString &a, const QString &b)
{
    return !a.isEmpty() && !b.isEmpty() && a != b;
}

bool ReviewDuplicates::identifiersDiffer(const ReviewRecord &a, const ReviewRecord &b)
{
    return identifiersClash(a.pmid.trimmed(), b.pmid.trimmed()) || identifiersClash(normalizedDoi(a.doi), normalizedDoi(b.doi));
}

Verdict ReviewDuplicates::compare(const ReviewRecord &a, const ReviewRecord &b)
{
    return compareKeys(keysOf(a), keysOf(b));
}

Found ReviewDuplicates::find(const ReviewRecords &records, const QList<QPair<qint64, qint64>> &rejected)
{
    std::vector<Keys> keys;
    keys.reserve(records.size());
    QHash<QString, QList<qsizetype>> buckets;
    for (qsizetype i = 0; i < records.size(); ++i) {
        keys.push_back(keysOf(records.at(i)));
        const Keys &k = keys.back();
        if (!k.pmid.isEmpty())
            buckets[u'p' + k.pmid].append(i);
        if (!k.doi.isEmpty())
            buckets[u'd' + k.doi].append(i);
        // A typo leaves either the title's start or its end as it was.
        if (!k.title.isEmpty()) {
            buckets[u'<' + k.title.left(kTitleKey)].append(i);
            buckets[u'>' + k.title.right(kTitleKey)].append(i);
        }
    }
    const QSet<QPair<qint64, qint64>> judged(rejected.cbegin(), rejected.cend());
    QSet<QPair<qsizetype, qsizetype>> seen;
    struct Candidate
    {
        qsizetype a, b;
        Verdict verdict;
    };
    std::vector<Candidate> sure, uncertain;
    for (const QList<qsizetype> &bucket : std::as_const(buckets)) {
        if (bucket.size() < 2 || bucket.size() > kLargestBucket)
            continue;
        for (qsizetype x = 0; x < bucket.size(); ++x) {
            for (qsizetype y = x + 1; y < bucket.size(); ++y) {
                const qsizetype a = bucket.at(x), b = bucket.at(y);
                if (seen.contains({a, b}))
                    continue;
                seen.insert({a, b});
                const qint64 idA = records.at(a).id, idB = records.at(b).id;
                if (judged.contains({std::min(idA, idB), std::max(idA, idB)}))
                    continue;
                const Verdict verdict = compareKeys(keys[a], keys[b]);
                if (verdict.match == Match::Sure)
                    sure.push_back({a, b, verdict});
                else if (verdict.match == Match::Uncertain)
                    uncertain.push_back({a, b, verdict});
            }
        }
    }
    // Identifiers first: a title match never joins what they keep apart.
    std::stable_sort(sure.begin(), sure.end(), [](const Candidate &x, const Candidate &y) {
        const auto rank = [](const Candidate &c) {
            return c.verdict.rule == ReviewMessages::samePmid() ? 0 : c.verdict.rule == ReviewMessages::sameDoi() ? 1 : 2;
        };
        return rank(x) < rank(y);
    });
    Sets sets(keys);
    QHash<qsizetype, QString> joinedBy;
    for (const Candidate &c : sure) {
        if (sets.root(c.a) == sets.root(c.b))
            continue;
        if (!sets.join(c.a, c.b)) {
            uncertain.push_back(c);
            continue;
        }
        joinedBy.insert(joinedBy.contains(c.b) ? c.a : c.b, c.verdict.rule);
    }
    QHash<qsizetype, QList<qsizetype>> members;
    for (qsizetype i = 0; i < records.size(); ++i)
        members[sets.root(i)].append(i);
    Found found;
    for (const QList<qsizetype> &set : std::as_const(members)) {
        if (set.size() < 2)
            continue;
        const qsizetype kept = *std::max_element(set.cbegin(), set.cend(), [&](qsizetype x, qsizetype y) {
            const int cx = records.at(x).completeness(), cy = records.at(y).completeness();
            return cx != cy ? cx < cy : records.at(x).id > records.at(y).id;
        });
        for (const qsizetype m : set) {
            if (m == kept)
                continue;
            const Verdict direct = compareKeys(keys[kept], keys[m]);
            found.merges.append({records.at(kept).id, records.at(m).id,
                                 direct.match == Match::Sure ? direct.rule : joinedBy.value(m, direct.rule)});
        }
    }
    for (const Candidate &c : uncertain) {
        if (sets.root(c.a) != sets.root(c.b))
            found.uncertain.append({records.at(c.a).id, records.at(c.b).id, c.verdict.rule});
    }
    const auto byId = [](const auto &x, const auto &y) {
        return std::pair(x.first, x.second) < std::pair(y.first, y.second);
    };
    std::sort(found.uncertain.begin(), found.uncertain.end(), byId);
    std::sort(found.merges.begin(), found.merges.end(),
              [](const Merge &x, const Merge &y) { return std::pair(x.kept, x.merged) < std::pair(y.kept, y.merged); });
    return found;
}
