#pragma once

#include <QString>

// The first and last page of a MedlinePgn value, which shortens the last page
// to the digits that differ ("113-25" is 113 to 125, "S12-7" is S12 to S17).
// A value without a range ("e0693", "211") has only a first page. Of several
// ranges ("113-25, 130-2") the first is taken.
struct PageRange
{
    QString first;
    QString last;

    static PageRange fromMedlinePgn(const QString &pages);
    // "first<separator>last", or first alone when there is no last page.
    QString joined(const QString &separator) const;
    // One page, or a lone number that is not a page (an article number).
    bool isSingle() const { return last.isEmpty(); }
    // An electronic article number such as "e0693" rather than a page.
    bool isArticleNumber() const;

    friend bool operator==(const PageRange &, const PageRange &) = default;
};
