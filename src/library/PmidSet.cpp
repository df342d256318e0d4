#include "library/PmidSet.h"

#include <algorithm>
#include <iterator>

bool PmidSet::contains(qint64 pmid) const
{
    return std::binary_search(m_pmids.cbegin(), m_pmids.cend(), pmid);
}

void PmidSet::update(const QList<qint64> &touched, const QSet<qint64> &held)
{
    QList<qint64> added(held.cbegin(), held.cend());
    std::sort(added.begin(), added.end());
    QList<qint64> gone;
    for (const qint64 pmid : touched) {
        if (!held.contains(pmid))
            gone.append(pmid);
    }
    std::sort(gone.begin(), gone.end());
    // One pass over all of them, however many changed.
    QList<qint64> kept;
    kept.reserve(m_pmids.size());
    std::set_difference(m_pmids.cbegin(), m_pmids.cend(), gone.cbegin(), gone.cend(), std::back_inserter(kept));
    m_pmids.clear();
    m_pmids.reserve(kept.size() + added.size());
    std::set_union(kept.cbegin(), kept.cend(), added.cbegin(), added.cend(), std::back_inserter(m_pmids));
}
