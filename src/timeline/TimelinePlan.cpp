#include "timeline/TimelinePlan.h"

TimelinePlan::TimelinePlan(int firstYear, int lastYear, const QSet<int> &yearsWithArticles)
    : m_first(firstYear)
    , m_last(lastYear)
    , m_known(yearsWithArticles)
{
    enterDecade(lastYear);
}

void TimelinePlan::enterDecade(int lastYear)
{
    if (lastYear < m_first) {
        m_step = Step::Done;
        return;
    }
    m_decadeTo = lastYear;
    m_decadeFrom = qMax(m_first, lastYear - lastYear % 10);
    bool hasArticles = m_counts.value(lastYear + 1) > 0;
    for (int year = m_decadeFrom; year <= m_decadeTo && !hasArticles; ++year)
        hasArticles = m_known.contains(year);
    m_year = m_decadeTo;
    // A decade of one year is asked as that year.
    m_step = hasArticles || m_decadeFrom == m_decadeTo ? Step::Years : Step::Decade;
}

std::optional<YearSpan> TimelinePlan::next() const
{
    switch (m_step) {
    case Step::Decade:
        return YearSpan{m_decadeFrom, m_decadeTo};
    case Step::Rest:
        return YearSpan{m_first, m_decadeFrom - 1};
    case Step::Years:
        return YearSpan{m_year, m_year};
    case Step::Done:
        break;
    }
    return std::nullopt;
}

void TimelinePlan::answer(qint64 count)
{
    ++m_answered;
    switch (m_step) {
    case Step::Decade:
        if (count > 0) {
            m_step = Step::Years;
            return;
        }
        for (int year = m_decadeFrom; year <= m_decadeTo; ++year)
            m_counts.insert(year, 0);
        if (m_decadeFrom > m_first)
            m_step = Step::Rest;
        else
            m_step = Step::Done;
        return;
    case Step::Rest:
        if (count > 0)
            enterDecade(m_decadeFrom - 1);
        else
            m_step = Step::Done;
        return;
    case Step::Years:
        m_counts.insert(m_year, count);
        if (--m_year < m_decadeFrom)
            enterDecade(m_decadeFrom - 1);
        return;
    case Step::Done:
        return;
    }
}

int TimelinePlan::knownFrom() const
{
    switch (m_step) {
    case Step::Done:
        return m_first;
    case Step::Years:
        return m_year + 1;
    case Step::Decade:
    case Step::Rest:
        break;
    }
    return m_step == Step::Rest ? m_decadeFrom : m_decadeTo + 1;
}
