#include "PageRange.h"

#include <QRegularExpression>

namespace {
// A page as a prefix ("S", "R", "e", "1186.e") and the digits that end it.
struct PageNumber
{
    QString prefix;
    QString digits;
    bool valid = false;
};

PageNumber splitPage(const QString &page)
{
    static const QRegularExpression form(QStringLiteral("^(.*?)(\\d+)$"));
    const QRegularExpressionMatch match = form.match(page);
    if (!match.hasMatch())
        return {};
    return {match.captured(1), match.captured(2), true};
}
} // namespace

PageRange PageRange::fromMedlinePgn(const QString &pages)
{
    static const QRegularExpression listSeparator(QStringLiteral("[,;]"));
    static const QRegularExpression dash(QStringLiteral("[-\\x{2010}-\\x{2014}]"));
    const QString firstRange = pages.section(listSeparator, 0, 0).trimmed();
    const qsizetype at = firstRange.indexOf(dash);
    if (at < 0)
        return {firstRange, QString()};
    PageRange range{firstRange.left(at).trimmed(), firstRange.mid(at + 1).trimmed()};
    if (range.last.isEmpty() || range.first.isEmpty())
        return {range.first.isEmpty() ? range.last : range.first, QString()};

    const PageNumber first = splitPage(range.first);
    const PageNumber last = splitPage(range.last);
    if (!first.valid || !last.valid || !last.prefix.isEmpty())
        return range;
    // "1186.e1-1190" ends at a page of its own, not at 1186.e1190.
    static const QRegularExpression digit(QStringLiteral("\\d"));
    if (first.prefix.contains(digit) && last.digits.size() > first.digits.size())
        return range;
    // The last page repeats the first page's prefix and leading digits it left out.
    const qsizetype missing = std::max<qsizetype>(0, first.digits.size() - last.digits.size());
    range.last = first.prefix + first.digits.left(missing) + last.digits;
    return range;
}

QString PageRange::joined(const QString &separator) const
{
    return last.isEmpty() ? first : first + separator + last;
}

bool PageRange::isArticleNumber() const
{
    static const QRegularExpression form(QStringLiteral("^[eE]\\d+$"));
    return isSingle() && form.match(first).hasMatch();
}
