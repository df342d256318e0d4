#include "gui/review/PrismaView.h"

#include "export/ExportFile.h"

#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>

#include <cmath>

namespace {

constexpr double kPadding = 8;
constexpr int kPngScale = 2;

void arrow(QPainter &painter, const QLineF &line)
{
    painter.drawLine(line);
    const double angle = std::atan2(line.dy(), line.dx());
    const QPointF tip = line.p2();
    QPainterPath head(tip);
    head.lineTo(tip - QPointF(10 * std::cos(angle - 0.4), 10 * std::sin(angle - 0.4)));
    head.lineTo(tip - QPointF(10 * std::cos(angle + 0.4), 10 * std::sin(angle + 0.4)));
    head.closeSubpath();
    painter.fillPath(head, Qt::black);
}

} // namespace

PrismaView::PrismaView(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("prismaView"));
    setAccessibleName(QStringLiteral("PRISMA 2020 flow diagram"));
}

void PrismaView::setLayout(const PrismaLayout &layout)
{
    m_layout = layout;
    updateGeometry();
    update();
}

QSize PrismaView::sizeHint() const
{
    return m_layout.size.toSize();
}

void PrismaView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    paint(painter, m_layout);
}

void PrismaView::paint(QPainter &painter, const PrismaLayout &layout)
{
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font = painter.font();
    font.setPixelSize(int(PrismaLayout::kFontSize));
    painter.setPen(QPen(Qt::black, 1));
    for (const PrismaLayout::Box &box : layout.boxes) {
        painter.fillRect(box.rect, box.phase ? QColor(0xcf, 0xe2, 0xf3) : QColor(Qt::white));
        painter.drawRect(box.rect);
        if (box.phase) {
            painter.save();
            font.setBold(true);
            painter.setFont(font);
            painter.translate(box.rect.center());
            painter.rotate(-90);
            const QRectF turned(-box.rect.height() / 2, -box.rect.width() / 2, box.rect.height(), box.rect.width());
            painter.drawText(turned, Qt::AlignCenter, box.lines.value(0));
            painter.restore();
            font.setBold(false);
            continue;
        }
        painter.setFont(font);
        for (qsizetype i = 0; i < box.lines.size(); ++i)
            painter.drawText(QRectF(box.rect.x() + kPadding, box.rect.y() + kPadding + i * PrismaLayout::kLineHeight,
                                    box.rect.width() - 2 * kPadding, PrismaLayout::kLineHeight),
                             Qt::AlignLeft | Qt::AlignVCenter, box.lines.at(i));
    }
    for (const QLineF &line : layout.arrows)
        arrow(painter, line);
}

std::optional<QString> PrismaView::write(const PrismaLayout &layout, const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    const QSize size = layout.size.toSize();
    // The same SVG as the command line writes.
    if (suffix == QLatin1String("svg"))
        return writeFileAtomically(path, layout.svg()).has_value() ? std::optional(QStringLiteral("SVG")) : std::nullopt;
    if (suffix == QLatin1String("pdf")) {
        QPdfWriter pdf(path);
        pdf.setPageSize(QPageSize(QSizeF(size) * 0.75, QPageSize::Point)); // 96 px to the inch, 72 points
        pdf.setPageMargins(QMarginsF());
        pdf.setResolution(96);
        QPainter painter;
        if (!painter.begin(&pdf))
            return QStringLiteral("PDF");
        paint(painter, layout);
        return painter.end() ? std::nullopt : std::optional(QStringLiteral("PDF"));
    }
    QImage image(size * kPngScale, QImage::Format_ARGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.scale(kPngScale, kPngScale);
        paint(painter, layout);
    }
    return image.save(path, "PNG") ? std::nullopt : std::optional(QStringLiteral("PNG"));
}
