#include "review/RelevanceRanking.h"

#include "review/ReviewDuplicates.h"

#include <algorithm>
#include <cmath>

namespace {

// Words too common in abstracts to tell one topic from another.
bool isStopWord(const QString &word)
{
    static const QSet<QString> words = {
        QStringLiteral("the"),  QStringLiteral("and"),  QStringLiteral("of"),   QStringLiteral("in"),
        QStringLiteral("to"),   QStringLiteral("a"),    QStringLiteral("with"), QStringLiteral("for"),
        QStringLiteral("was"),  QStringLiteral("were"), QStringLiteral("is"),   QStringLiteral("on"),
        QStringLiteral("by"),   QStringLiteral("an"),   QStringLiteral("as"),   QStringLiteral("at"),
        QStringLiteral("or"),   QStringLiteral("from"), QStringLiteral("this"), QStringLiteral("that"),
        QStringLiteral("be"),   QStringLiteral("are"),  QStringLiteral("we"),   QStringLiteral("not")};
    return word.size() < 2 || words.contains(word);
}

constexpr int kEpochs = 30;
constexpr double kRate = 0.5;
constexpr double kL2 = 1e-4;
// At most about this many undecided records stand in for the excluded ones.
constexpr size_t kStandIns = 400;

} // namespace

RelevanceRanking::RelevanceRanking(const ReviewRecords &records)
{
    QHash<QString, int> index;
    std::vector<int> documentFrequency;
    std::vector<QHash<int, int>> counts(records.size());
    for (qsizetype r = 0; r < records.size(); ++r) {
        const ReviewRecord &record = records.at(r);
        m_row.insert(record.id, r);
        m_ids.append(record.id);
        const QString text = ReviewDuplicates::normalizedTitle(
            record.title + u' ' + record.abstract + u' ' + record.keywords.join(u' '));
        for (const QStringView word : QStringView(text).split(u' ', Qt::SkipEmptyParts)) {
            const QString w = word.toString();
            if (isStopWord(w))
                continue;
            auto it = index.find(w);
            if (it == index.end()) {
                it = index.insert(w, int(documentFrequency.size()));
                documentFrequency.push_back(0);
            }
            if (counts[r][*it]++ == 0)
                ++documentFrequency[*it];
        }
    }
    const double n = double(records.size());
    m_vectors.resize(records.size());
    for (qsizetype r = 0; r < records.size(); ++r) {
        Vector &vector = m_vectors[r];
        double norm = 0;
        for (auto it = counts[r].cbegin(); it != counts[r].cend(); ++it) {
            const double weight = (1 + std::log(double(it.value()))) * std::log((1 + n) / (1 + documentFrequency[it.key()]));
            vector.push_back({it.key(), float(weight)});
            norm += weight * weight;
        }
        norm = std::sqrt(norm);
        for (Term &term : vector)
            term.weight = norm > 0 ? float(term.weight / norm) : 0.f;
        std::sort(vector.begin(), vector.end(), [](const Term &a, const Term &b) { return a.index < b.index; });
    }
    m_weights.assign(documentFrequency.size(), 0.0);
}

double RelevanceRanking::margin(const Vector &vector) const
{
    double sum = m_bias;
    for (const Term &term : vector)
        sum += m_weights[term.index] * term.weight;
    return sum;
}

void RelevanceRanking::refit(const QHash<qint64, bool> &decisions, const QSet<qint64> &undecidable)
{
    std::fill(m_weights.begin(), m_weights.end(), 0.0);
    m_bias = 0;
    std::vector<std::pair<qsizetype, double>> examples;
    int included = 0;
    for (auto it = decisions.cbegin(); it != decisions.cend(); ++it) {
        const auto row = m_row.constFind(it.key());
        if (row == m_row.cend())
            continue;
        examples.emplace_back(*row, it.value() ? 1.0 : 0.0);
        included += it.value() ? 1 : 0;
    }
    if (included > 0 && included == qsizetype(examples.size())) {
        std::vector<qsizetype> undecided;
        for (qsizetype row = 0; row < m_ids.size(); ++row) {
            if (!decisions.contains(m_ids.at(row)) && !undecidable.contains(m_ids.at(row)))
                undecided.push_back(row);
        }
        const size_t stride = std::max<size_t>(1, undecided.size() / kStandIns);
        for (size_t i = 0; i < undecided.size(); i += stride)
            examples.emplace_back(undecided[i], 0.0);
    }
    m_fitted = included > 0 && included < int(examples.size());
    if (!m_fitted)
        return;
    // The few included records weigh as much as the many excluded ones.
    const double positive = double(examples.size()) / (2.0 * included);
    const double negative = double(examples.size()) / (2.0 * (double(examples.size()) - included));
    std::sort(examples.begin(), examples.end());
    for (int epoch = 0; epoch < kEpochs; ++epoch) {
        const double rate = kRate / (1 + epoch);
        for (const auto &[row, label] : examples) {
            const double p = 1 / (1 + std::exp(-margin(m_vectors[row])));
            const double gradient = (p - label) * (label > 0 ? positive : negative);
            for (const Term &term : m_vectors[row])
                m_weights[term.index] -= rate * (gradient * term.weight + kL2 * m_weights[term.index]);
            m_bias -= rate * gradient;
        }
    }
}

double RelevanceRanking::score(qint64 record) const
{
    const auto row = m_row.constFind(record);
    if (!m_fitted || row == m_row.cend())
        return 0;
    return 1 / (1 + std::exp(-margin(m_vectors[*row])));
}

QList<qint64> RelevanceRanking::ranked(const QList<qint64> &records) const
{
    QList<std::pair<double, qint64>> scored;
    scored.reserve(records.size());
    for (const qint64 id : records)
        scored.append({score(id), id});
    std::stable_sort(scored.begin(), scored.end(), [](const auto &a, const auto &b) { return a.first > b.first; });
    QList<qint64> out;
    out.reserve(scored.size());
    for (const auto &entry : scored)
        out.append(entry.second);
    return out;
}
