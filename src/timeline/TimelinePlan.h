#pragma once

#include "timeline/YearCounts.h"

#include <QSet>

#include <optional>

// A span of publication years, both ends included.
struct YearSpan
{
    int from = 0;
    int to = 0;

    friend bool operator==(const YearSpan &, const YearSpan &) = default;
};

// Which count requests find the articles per year of a search, one at a
// time, from the most recent year back: a decade is first asked as a whole,
// and only when it has articles is each of its years asked. A decade needs
// no such question when it is known to have articles (a year given as having
// some lies in it, or the year after it had some). After a decade without
// articles, one request for every year before it says whether any are left.
class TimelinePlan
{
public:
    // From `lastYear` back to `firstYear`; `yearsWithArticles`: years known to
    // have some (those of the articles already loaded).
    TimelinePlan(int firstYear, int lastYear, const QSet<int> &yearsWithArticles = {});

    // The span whose count is to be asked now; none once the plan is done.
    std::optional<YearSpan> next() const;
    // The count of the span next() gave.
    void answer(qint64 count);
    bool isDone() const { return m_step == Step::Done; }
    // The counts of every year asked so far (those without articles too).
    const YearCounts &counts() const { return m_counts; }
    // The earliest year whose count is known, as the plan goes back; every
    // year from it to the last is known (a year not in counts() has none).
    int knownFrom() const;
    int requestsAnswered() const { return m_answered; }

private:
    enum class Step { Decade, Rest, Years, Done };
    void enterDecade(int lastYear);

    int m_first;
    int m_last;
    QSet<int> m_known;
    YearCounts m_counts;
    Step m_step = Step::Done;
    int m_decadeFrom = 0;
    int m_decadeTo = 0;
    int m_year = 0;
    int m_answered = 0;
};
