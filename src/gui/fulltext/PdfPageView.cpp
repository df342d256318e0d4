#include "gui/fulltext/PdfPageView.h"

#include "gui/fulltext/FullTextTexts.h"
#include "gui/fulltext/WordMarks.h"

#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfSearchModel>
#include <QPdfSelection>
#include <QScrollBar>

namespace {

// Page images kept, in kilobytes: a few pages at the largest zoom.
constexpr int kImageCacheKb = 128 * 1024;
const QColor kMatch(255, 190, 90);
// How long the words are looked for before the window answers events again.
constexpr qint64 kMarkingTurnMs = 15;

void fill(QPainter &painter, const QRectF &rect, const QColor &colour)
{
    // Multiplied into the page, so that the text stays readable under it.
    painter.setCompositionMode(QPainter::CompositionMode_Multiply);
    painter.fillRect(rect, colour);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

// Some writers place text glyph by glyph: one rectangle a line instead.
QList<QRectF> byLine(const QList<QRectF> &rects)
{
    QList<QRectF> lines;
    for (const QRectF &rect : rects) {
        if (!lines.isEmpty() && lines.last().contains(lines.last().center().x(), rect.center().y()))
            lines.last() |= rect;
        else
            lines.append(rect);
    }
    return lines;
}

} // namespace

PdfPageView::PdfPageView(QPdfDocument &document, const QPdfSearchModel &matches, const QStringList &words, QWidget *parent)
    : QAbstractScrollArea(parent)
    , m_document(document)
    , m_matches(matches)
    , m_words(words)
    , m_images(kImageCacheKb)
{
    setAccessibleName(FullTextTexts::PdfView);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Dark);
    QList<QSizeF> pages;
    for (int page = 0; page < m_document.pageCount(); ++page)
        pages.append(m_document.pagePointSize(page));
    m_layout.setPages(pages);
    relayout();
    // The matches of Find come page by page, in the background.
    for (auto changed : {&QPdfSearchModel::rowsInserted, &QPdfSearchModel::rowsRemoved})
        connect(&m_matches, changed, viewport(), qOverload<>(&QWidget::update));
    connect(&m_matches, &QPdfSearchModel::modelReset, viewport(), qOverload<>(&QWidget::update));
    m_marking.setInterval(0);
    connect(&m_marking, &QTimer::timeout, this, &PdfPageView::placeWords);
}

void PdfPageView::relayout()
{
    m_layout.setScale(m_zoom * logicalDpiY() / 72.0);
    m_layout.setViewWidth(viewport()->width());
    const QSize size = m_layout.size();
    horizontalScrollBar()->setRange(0, std::max(0, size.width() - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    verticalScrollBar()->setRange(0, std::max(0, size.height() - viewport()->height()));
    verticalScrollBar()->setPageStep(viewport()->height());
    verticalScrollBar()->setSingleStep(20);
    horizontalScrollBar()->setSingleStep(20);
    viewport()->update();
}

void PdfPageView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    relayout();
}

void PdfPageView::setCurrent(int page)
{
    if (page == m_current)
        return;
    m_current = page;
    emit currentPageChanged(page);
}

void PdfPageView::scrollContentsBy(int, int)
{
    viewport()->update();
    if (m_jumping || m_layout.pageCount() == 0)
        return;
    const QScrollBar *bar = verticalScrollBar();
    const qreal slide = bar->maximum() > 0 ? qreal(bar->value()) / bar->maximum() : 0;
    setCurrent(m_layout.pageAt(bar->value() + slide * viewport()->height()));
}

void PdfPageView::goToPage(int page)
{
    if (page < 0 || page >= m_layout.pageCount())
        return;
    m_jumping = true;
    verticalScrollBar()->setValue(int(m_layout.pageRect(page).top()) - PdfPageLayout::kGap);
    m_jumping = false;
    setCurrent(page);
}

void PdfPageView::setZoom(qreal zoom)
{
    zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
    if (zoom == m_zoom)
        return;
    const int top = verticalScrollBar()->value();
    const int page = std::max(0, m_layout.pageAt(top));
    const QPointF atTop = m_layout.toPoints(page, QPointF(0, top));
    m_zoom = zoom;
    m_images.clear();
    relayout();
    m_jumping = true;
    verticalScrollBar()->setValue(int(m_layout.toPixels(page, QRectF(atTop, QSizeF())).top()));
    m_jumping = false;
}

void PdfPageView::setCurrentMatch(int index)
{
    m_match = index;
    const QPdfLink match = currentMatch();
    if (!match.rectangles().isEmpty()) {
        const QRectF where = m_layout.toPixels(match.page(), match.rectangles().constFirst());
        m_jumping = true;
        verticalScrollBar()->setValue(int(where.center().y()) - viewport()->height() / 2);
        if (where.left() < horizontalScrollBar()->value() || where.right() > horizontalScrollBar()->value() + viewport()->width())
            horizontalScrollBar()->setValue(int(where.center().x()) - viewport()->width() / 2);
        m_jumping = false;
        setCurrent(match.page());
    }
    viewport()->update();
}

QPdfLink PdfPageView::currentMatch() const
{
    return m_match >= 0 && m_match < m_matches.rowCount({}) ? m_matches.resultAtIndex(m_match) : QPdfLink();
}

QPointF PdfPageView::offset() const
{
    return {qreal(horizontalScrollBar()->value()), qreal(verticalScrollBar()->value())};
}

QRectF PdfPageView::inView(int page, const QRectF &points) const
{
    return m_layout.toPixels(page, points).translated(-offset());
}

const QImage &PdfPageView::image(int page, QSize pixels)
{
    if (const QImage *kept = m_images.object(page); kept && kept->size() == pixels)
        return *kept;
    auto *rendered = new QImage(m_document.render(page, pixels));
    rendered->setDevicePixelRatio(devicePixelRatioF());
    const qsizetype kilobytes = rendered->sizeInBytes() / 1024 + 1;
    // A page larger than the whole cache is still drawn, and dropped after.
    m_images.setMaxCost(std::max<qsizetype>(kImageCacheKb, kilobytes));
    m_images.insert(page, rendered, kilobytes);
    return *m_images.object(page);
}

bool PdfPageView::placeWord(int page)
{
    PageMarks &marks = m_marks[page];
    if (!marks.read) {
        marks.read = true;
        if (!m_words.isEmpty())
            marks.unplaced = WordMarks::find(m_document.getAllText(page).text(), m_words);
    } else if (!marks.unplaced.isEmpty()) {
        const WordMarks::Span span = marks.unplaced.takeFirst();
        QList<QRectF> glyphs;
        for (const QPolygonF &bound : m_document.getSelectionAtIndex(page, int(span.start), int(span.length)).bounds())
            glyphs.append(bound.boundingRect());
        marks.places += byLine(glyphs);
    }
    return !marks.unplaced.isEmpty();
}

void PdfPageView::placeWords()
{
    QElapsedTimer turn;
    turn.start();
    while (!m_unmarked.isEmpty() && turn.elapsed() < kMarkingTurnMs) {
        if (!placeWord(m_unmarked.constFirst()))
            m_unmarked.removeFirst();
    }
    if (m_unmarked.isEmpty())
        m_marking.stop();
    viewport()->update();
}

QRectF PdfPageView::currentMatchArea() const
{
    QRectF area;
    const QPdfLink match = currentMatch();
    for (const QRectF &points : match.rectangles())
        area |= inView(match.page(), points);
    return area;
}

QList<QRectF> PdfPageView::wordMarks(int page)
{
    while (placeWord(page)) {
    }
    QList<QRectF> marks;
    for (const QRectF &points : std::as_const(m_marks[page].places))
        marks.append(inView(page, points));
    return marks;
}

void PdfPageView::paintEvent(QPaintEvent *)
{
    QPainter painter(viewport());
    const QRectF visible = QRectF(viewport()->rect()).translated(offset());
    const int first = m_layout.pageAt(visible.top());
    const int last = m_layout.pageAt(visible.bottom());
    QList<int> unmarked;
    for (int page = std::max(0, first); page >= 0 && page <= last; ++page) {
        const QRectF rect = m_layout.pageRect(page).translated(-offset());
        if (!rect.intersects(viewport()->rect()))
            continue;
        // A page's image is transparent where it has nothing drawn.
        painter.fillRect(rect, Qt::white);
        painter.drawImage(rect.topLeft(), image(page, (rect.size() * devicePixelRatioF()).toSize()));
        const PageMarks &marks = m_marks[page];
        if (!marks.read || !marks.unplaced.isEmpty())
            unmarked.append(page);
        for (const QRectF &points : marks.places)
            fill(painter, inView(page, points), WordMarks::Colour);
        const QPdfLink current = currentMatch();
        painter.setPen(QPen(kCurrentMatchColour, 2));
        for (const QPdfLink &match : m_matches.resultsOnPage(page)) {
            const bool isCurrent = current.page() == page && match.rectangles() == current.rectangles();
            for (const QRectF &points : byLine(match.rectangles())) {
                fill(painter, inView(page, points), isCurrent ? kCurrentMatchColour : kMatch);
                if (isCurrent)
                    painter.drawRect(inView(page, points).adjusted(-1, -1, 1, 1));
            }
        }
        if (m_selection.page == page) {
            QColor selected = palette().color(QPalette::Highlight);
            selected.setAlpha(110);
            for (const QPolygonF &bound : std::as_const(m_selection.bounds))
                painter.fillRect(inView(page, bound.boundingRect()), selected);
        }
    }
    // Only the pages in view are marked; one scrolled away waits till it is back.
    m_unmarked = unmarked;
    if (!m_unmarked.isEmpty() && !m_words.isEmpty())
        m_marking.start();
}

void PdfPageView::select(Selection selection)
{
    m_selection = std::move(selection);
    viewport()->update();
}

void PdfPageView::selectPage()
{
    if (m_current >= m_layout.pageCount())
        return;
    const QPdfSelection all = m_document.getAllText(m_current);
    select({m_current, all.text(), all.bounds()});
}

void PdfPageView::clearSelection()
{
    select({});
}

void PdfPageView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QAbstractScrollArea::mousePressEvent(event);
    const QPointF at = event->position() + offset();
    const int page = m_layout.pageAt(at.y());
    m_anchorPage = m_layout.pageRect(page).contains(at) ? page : -1;
    m_anchor = m_layout.toPoints(page, at);
    m_anchorLines = m_anchorPage < 0 ? QList<QPolygonF>() : m_document.getAllText(page).bounds();
    clearSelection();
}

void PdfPageView::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton) || m_anchorPage < 0 || m_anchorLines.isEmpty())
        return QAbstractScrollArea::mouseMoveEvent(event);
    // A selection stays on the page it started on: dragged above the page's
    // text it ends with the first letter, below it with the last. The end
    // must lie on a letter, which is then taken when nearer its right edge.
    QPointF end = m_layout.toPoints(m_anchorPage, event->position() + offset());
    const QRectF first = m_anchorLines.constFirst().boundingRect();
    const QRectF last = m_anchorLines.constLast().boundingRect();
    if (end.y() < first.top())
        end = QPointF(first.left(), first.center().y());
    else if (end.y() > last.bottom())
        end = QPointF(last.right(), last.center().y());
    const QPdfSelection selection = m_document.getSelection(m_anchorPage, m_anchor, end);
    select({m_anchorPage, selection.text(), selection.bounds()});
}
