#include "review/PrismaLayout.h"

#include "review/ReviewMessages.h"

namespace {

constexpr double kMargin = 10;
constexpr double kPhaseWidth = 30;
constexpr double kBoxWidth = 320;
constexpr double kGap = 40;
constexpr double kPadding = 8;
// A phase of a single row still holds its label written upwards.
constexpr double kLoneRow = 110;

QString counted(const QString &what, qint64 count)
{
    return QStringLiteral("%1 (n = %2)").arg(what).arg(count);
}

double heightOf(const QStringList &lines)
{
    return lines.size() * PrismaLayout::kLineHeight + 2 * kPadding;
}

QString escaped(const QString &text)
{
    return text.toHtmlEscaped();
}

} // namespace

PrismaLayout PrismaLayout::of(const PrismaCounts &c)
{
    using namespace PrismaMessages;
    QStringList identifiedLines{identifiedHeading()};
    for (const auto &[database, count] : c.identified)
        identifiedLines.append(QStringLiteral("  ") + counted(database, count));
    QStringList reasonLines{excludedHeading()};
    for (const auto &[reason, count] : c.excludedReports)
        reasonLines.append(QStringLiteral("  ") + counted(reason, count));
    QStringList screenedLines{counted(screened(), c.screened)};
    if (c.awaitingScreening > 0)
        screenedLines.append(counted(awaitingScreening(), c.awaitingScreening));
    QStringList assessedLines{counted(assessed(), c.assessed)};
    if (c.awaitingAssessment > 0)
        assessedLines.append(counted(awaitingAssessment(), c.awaitingAssessment));
    // Each row: the main box on the left, what left the flow on the right.
    const QList<std::pair<QStringList, QStringList>> rows = {
        {identifiedLines, {removedHeading(), QStringLiteral("  ") + counted(duplicatesRemoved(), c.duplicatesRemoved)}},
        {screenedLines, {counted(excluded(), c.excludedScreening)}},
        {{counted(sought(), c.sought)}, {counted(notRetrieved(), c.notRetrieved)}},
        {assessedLines, reasonLines},
        {{counted(included(), c.included)}, {}},
    };
    PrismaLayout layout;
    const double left = kMargin + kPhaseWidth + kMargin;
    const double right = left + kBoxWidth + kGap;
    double y = kMargin;
    QList<QRectF> mains;
    for (qsizetype row = 0; row < rows.size(); ++row) {
        const auto &[main, side] = rows.at(row);
        const bool lone = row == 0 || row == rows.size() - 1;
        const double height = std::max({heightOf(main), side.isEmpty() ? 0 : heightOf(side), lone ? kLoneRow : 0});
        const QRectF box(left, y, kBoxWidth, height);
        layout.boxes.append({box, main});
        if (!side.isEmpty()) {
            layout.boxes.append({QRectF(right, y, kBoxWidth, height), side});
            layout.arrows.append(QLineF(box.right(), box.center().y(), right, box.center().y()));
        }
        if (!mains.isEmpty())
            layout.arrows.append(QLineF(mains.last().center().x(), mains.last().bottom(), box.center().x(), box.top()));
        mains.append(box);
        y += height + kGap;
    }
    const auto phase = [&](const QString &name, qsizetype from, qsizetype to) {
        layout.boxes.append({QRectF(kMargin, mains.at(from).top(), kPhaseWidth, mains.at(to).bottom() - mains.at(from).top()),
                             {name}, true});
    };
    phase(identification(), 0, 0);
    phase(screening(), 1, 3);
    phase(includedPhase(), 4, 4);
    layout.size = QSizeF(right + kBoxWidth + kMargin, y - kGap + kMargin);
    return layout;
}

QByteArray PrismaLayout::svg() const
{
    QString out = QStringLiteral(
                      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\" viewBox=\"0 0 %1 %2\""
                      " font-family=\"sans-serif\" font-size=\"%3\">\n"
                      "<defs><marker id=\"head\" markerWidth=\"10\" markerHeight=\"8\" refX=\"10\" refY=\"4\" orient=\"auto\">"
                      "<path d=\"M0,0 L10,4 L0,8 z\"/></marker></defs>\n"
                      "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n")
                      .arg(size.width())
                      .arg(size.height())
                      .arg(kFontSize);
    for (const Box &box : boxes) {
        out += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"%5\" stroke=\"black\"/>\n")
                   .arg(box.rect.x())
                   .arg(box.rect.y())
                   .arg(box.rect.width())
                   .arg(box.rect.height())
                   .arg(box.phase ? QStringLiteral("#cfe2f3") : QStringLiteral("white"));
        if (box.phase) {
            const QPointF c = box.rect.center();
            out += QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"middle\" transform=\"rotate(-90 %1 %2)\""
                                  " font-weight=\"bold\">%3</text>\n")
                       .arg(c.x())
                       .arg(c.y())
                       .arg(escaped(box.lines.value(0)));
            continue;
        }
        for (qsizetype i = 0; i < box.lines.size(); ++i)
            out += QStringLiteral("<text x=\"%1\" y=\"%2\" xml:space=\"preserve\">%3</text>\n")
                       .arg(box.rect.x() + kPadding)
                       .arg(box.rect.y() + kPadding + (i + 1) * kLineHeight - 5)
                       .arg(escaped(box.lines.at(i)));
    }
    for (const QLineF &arrow : arrows)
        out += QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%4\" stroke=\"black\" marker-end=\"url(#head)\"/>\n")
                   .arg(arrow.x1())
                   .arg(arrow.y1())
                   .arg(arrow.x2())
                   .arg(arrow.y2());
    out += QStringLiteral("</svg>\n");
    return out.toUtf8();
}
