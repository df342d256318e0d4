#pragma once

#include <QLabel>

// A one-line plain-text label that never makes its window wider: what does
// not fit ends at a whole word with "…", and the whole text is its tooltip.
class ElidedLabel : public QLabel
{
    Q_OBJECT

public:
    using QLabel::QLabel;

    // What the label shows at its width now.
    QString shownText() const;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;
};
