#include "gui/fulltext/PdfPageLayout.h"

#include <algorithm>
#include <cmath>

void PdfPageLayout::setPages(const QList<QSizeF> &pointSizes)
{
    m_points = pointSizes;
    relayout();
}

void PdfPageLayout::setScale(qreal pixelsPerPoint)
{
    m_scale = pixelsPerPoint;
    relayout();
}

void PdfPageLayout::setViewWidth(int width)
{
    m_viewWidth = width;
}

void PdfPageLayout::relayout()
{
    m_tops.clear();
    m_widest = 0;
    qreal top = kGap;
    for (const QSizeF &points : std::as_const(m_points)) {
        m_tops.append(top);
        // Whole pixels, so that a page's image is drawn unscaled.
        top += std::ceil(points.height() * m_scale) + kGap;
        m_widest = std::max(m_widest, std::ceil(points.width() * m_scale));
    }
    m_tops.append(top);
}

QSize PdfPageLayout::size() const
{
    return {int(m_widest) + 2 * kGap, m_points.isEmpty() ? 0 : int(m_tops.last())};
}

QRectF PdfPageLayout::pageRect(int page) const
{
    if (page < 0 || page >= pageCount())
        return {};
    const qreal width = std::ceil(m_points.at(page).width() * m_scale);
    const qreal left = std::floor(std::max<qreal>(kGap, (std::max(m_viewWidth, size().width()) - width) / 2));
    return {left, m_tops.at(page), width, m_tops.at(page + 1) - kGap - m_tops.at(page)};
}

int PdfPageLayout::pageAt(qreal y) const
{
    if (m_points.isEmpty())
        return -1;
    const auto below = std::upper_bound(m_tops.cbegin(), m_tops.cend() - 1, y);
    return std::max(0, int(below - m_tops.cbegin()) - 1);
}

QPointF PdfPageLayout::toPoints(int page, QPointF pixel) const
{
    return (pixel - pageRect(page).topLeft()) / m_scale;
}

QRectF PdfPageLayout::toPixels(int page, const QRectF &points) const
{
    return {pageRect(page).topLeft() + points.topLeft() * m_scale, points.size() * m_scale};
}
