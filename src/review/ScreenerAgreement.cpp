#include "review/ScreenerAgreement.h"

#include <algorithm>
#include <array>

ScreenerAgreement ScreenerAgreement::between(const QHash<qint64, ScreeningDecision> &first,
                                             const QHash<qint64, ScreeningDecision> &second)
{
    ScreenerAgreement out;
    std::array<double, 3> marginalFirst{}, marginalSecond{};
    QList<qint64> records = first.keys();
    std::sort(records.begin(), records.end());
    for (const qint64 record : records) {
        const auto other = second.constFind(record);
        if (other == second.cend())
            continue;
        const int a = int(first.value(record).choice), b = int(other->choice);
        ++out.compared;
        ++marginalFirst[a];
        ++marginalSecond[b];
        if (a == b)
            ++out.agreed;
        else
            out.disagreements.append(record);
    }
    if (out.compared == 0)
        return out;
    const double n = double(out.compared);
    const double observed = out.agreed / n;
    double chance = 0;
    for (size_t c = 0; c < marginalFirst.size(); ++c)
        chance += (marginalFirst[c] / n) * (marginalSecond[c] / n);
    out.kappa = chance >= 1 ? 1.0 : (observed - chance) / (1 - chance);
    return out;
}
