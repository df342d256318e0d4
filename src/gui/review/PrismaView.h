#pragma once

#include "review/PrismaLayout.h"

#include <QWidget>

class QPainter;

// The PRISMA 2020 flow diagram, drawn from its layout: on screen, and into
// SVG (Qt SVG), PNG and PDF files by the same painting.
class PrismaView : public QWidget
{
    Q_OBJECT

public:
    explicit PrismaView(QWidget *parent = nullptr);

    void setLayout(const PrismaLayout &layout);
    QSize sizeHint() const override;

    static void paint(QPainter &painter, const PrismaLayout &layout);
    // Written as the file's suffix says (.svg, .png, .pdf); the reason when it could not be.
    static std::optional<QString> write(const PrismaLayout &layout, const QString &path);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    PrismaLayout m_layout;
};
