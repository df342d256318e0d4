#include "gui/widgets/ElidedLabel.h"

#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QToolTip>

namespace {
const QChar kEllipsis(0x2026);
} // namespace

QString ElidedLabel::shownText() const
{
    const QFontMetrics metrics = fontMetrics();
    const int width = contentsRect().width();
    if (metrics.horizontalAdvance(text()) <= width)
        return text();
    QString shown = metrics.elidedText(text(), Qt::ElideRight, width);
    shown.chop(1);
    // A word cut in two reads as another word: the last one goes whole.
    const qsizetype space = shown.lastIndexOf(u' ');
    if (space > 0 && space + 1 < text().size() && text().at(shown.size()) != u' ')
        shown.truncate(space);
    return shown.trimmed() + kEllipsis;
}

QSize ElidedLabel::minimumSizeHint() const
{
    return {fontMetrics().horizontalAdvance(kEllipsis), QLabel::minimumSizeHint().height()};
}

void ElidedLabel::paintEvent(QPaintEvent *event)
{
    const QString shown = shownText();
    if (shown == text()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    style()->drawItemText(&painter, contentsRect(), int(alignment()), palette(), isEnabled(), shown, foregroundRole());
}

bool ElidedLabel::event(QEvent *event)
{
    // The whole text where it is cut, unless the label has a tooltip of its own.
    if (event->type() == QEvent::ToolTip && toolTip().isEmpty() && shownText() != text()) {
        QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), text(), this);
        return true;
    }
    return QLabel::event(event);
}
