#pragma once

#include "gui/fulltext/PdfPageLayout.h"
#include "gui/fulltext/WordMarks.h"

#include <QAbstractScrollArea>
#include <QCache>
#include <QHash>
#include <QImage>
#include <QPdfLink>
#include <QPolygonF>
#include <QStringList>
#include <QTimer>

class QPdfDocument;
class QPdfSearchModel;

// The pages of a PDF one under the other, drawn only as they come into view
// (the last few kept), with the query's words marked, the matches of Find
// and the current one drawn distinctly (the words' places are looked up a
// few at a time between events, as each costs a reading of the page), and text selected by dragging the
// mouse over it. The current page is the one navigation went to, or, when
// scrolled, the one under a line that slides from the view's top (at the
// start) to its bottom (at the end), so that the last page can be current.
class PdfPageView : public QAbstractScrollArea
{
    Q_OBJECT

public:
    static constexpr qreal kMinZoom = 0.25;
    static constexpr qreal kMaxZoom = 3;
    static inline const QColor kCurrentMatchColour{255, 120, 0};

    PdfPageView(QPdfDocument &document, const QPdfSearchModel &matches, const QStringList &words, QWidget *parent = nullptr);

    int currentPage() const { return m_current; }
    void goToPage(int page);
    qreal zoom() const { return m_zoom; }
    // Keeps what is at the top of the view there.
    void setZoom(qreal zoom);
    // The match of Find to show and draw as the current one; -1 for none.
    void setCurrentMatch(int index);

    QString selectedText() const { return m_selection.text; }
    void selectPage();
    void clearSelection();

    // Where the current match of Find is, in the view's pixels.
    QRectF currentMatchArea() const;
    // Where the query's words are on `page`, in the view's pixels.
    QList<QRectF> wordMarks(int page);

signals:
    void currentPageChanged(int page);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    void relayout();
    void setCurrent(int page);
    QPdfLink currentMatch() const;
    QPointF offset() const;
    QRectF inView(int page, const QRectF &points) const;
    const QImage &image(int page, QSize pixels);
    struct PageMarks
    {
        bool read = false;
        QList<WordMarks::Span> unplaced;
        QList<QRectF> places;
    };
    // Places one more of the page's words; false once all are.
    bool placeWord(int page);
    void placeWords();
    struct Selection
    {
        int page = -1;
        QString text;
        QList<QPolygonF> bounds;
    };
    void select(Selection selection);

    QPdfDocument &m_document;
    const QPdfSearchModel &m_matches;
    const QStringList m_words;
    PdfPageLayout m_layout;
    qreal m_zoom = 1;
    int m_current = 0;
    bool m_jumping = false;
    int m_match = -1;
    QCache<int, QImage> m_images;
    QHash<int, PageMarks> m_marks;
    QList<int> m_unmarked;
    QTimer m_marking;
    int m_anchorPage = -1;
    QPointF m_anchor;
    QList<QPolygonF> m_anchorLines;
    Selection m_selection;
};
