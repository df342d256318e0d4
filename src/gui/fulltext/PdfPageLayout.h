#pragma once

#include <QList>
#include <QRectF>
#include <QSizeF>

// Where each page of a PDF lies when the pages are shown one under the
// other, centred in a view of a given width, at a scale of pixels per point;
// and the mapping between a page's points (origin at its top left) and the
// column's pixels.
class PdfPageLayout
{
public:
    static constexpr int kGap = 10;

    void setPages(const QList<QSizeF> &pointSizes);
    void setScale(qreal pixelsPerPoint);
    qreal scale() const { return m_scale; }
    void setViewWidth(int width);

    int pageCount() const { return int(m_points.size()); }
    // The whole column's size, its margins included.
    QSize size() const;
    QRectF pageRect(int page) const;
    // The page at height `y`, the gap below a page counting as the page's;
    // -1 when there are no pages.
    int pageAt(qreal y) const;
    QPointF toPoints(int page, QPointF pixel) const;
    QRectF toPixels(int page, const QRectF &points) const;

private:
    void relayout();

    QList<QSizeF> m_points;
    QList<qreal> m_tops;
    qreal m_scale = 1;
    qreal m_widest = 0;
    int m_viewWidth = 0;
};
