#pragma once

#include "review/PrismaCounts.h"

#include <QLineF>
#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QStringList>

// Where the boxes and arrows of the PRISMA 2020 flow diagram go, computed
// once from the counts: the window paints it, the SVG writer writes it.
struct PrismaLayout
{
    struct Box
    {
        QRectF rect;
        QStringList lines; // the first is the box's heading
        bool phase = false; // a phase's label down the left side
    };
    QList<Box> boxes;
    QList<QLineF> arrows; // each ends at its head
    QSizeF size;

    static constexpr double kLineHeight = 18;
    static constexpr double kFontSize = 12;

    static PrismaLayout of(const PrismaCounts &counts);
    // The diagram as an SVG document of its own, in plain text.
    QByteArray svg() const;
};
