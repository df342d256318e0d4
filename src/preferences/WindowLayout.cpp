#include "WindowLayout.h"

#include <QString>

#include <algorithm>
#include <optional>

namespace {
const QString kGeometryKey = QStringLiteral("window/geometry");
const QString kSplitterKey = QStringLiteral("window/splitterSizes");
const QString kColumnWidthsKey = QStringLiteral("window/columnWidths");
const QString kSortColumnKey = QStringLiteral("window/sortColumn");
const QString kSortOrderKey = QStringLiteral("window/sortOrder");

// A stored number; text formats give numbers back as text.
std::optional<int> storedInt(const QVariant &value)
{
    bool ok = false;
    const int n = value.toString().trimmed().toInt(&ok);
    return ok ? std::optional<int>(n) : std::nullopt;
}

// Exactly `count` lengths within what a window can show, one at least not
// zero; otherwise empty.
QList<int> storedLengths(const QVariant &value, qsizetype count)
{
    if (value.typeId() != QMetaType::QVariantList && value.typeId() != QMetaType::QStringList)
        return {};
    const QVariantList items = value.toList();
    if (items.size() != count)
        return {};
    QList<int> lengths;
    for (const QVariant &item : items) {
        const std::optional<int> n = storedInt(item);
        if (!n || *n < 0 || *n > WindowLayout::kMaxLength)
            return {};
        lengths.append(*n);
    }
    if (std::all_of(lengths.cbegin(), lengths.cend(), [](int n) { return n == 0; }))
        return {};
    return lengths;
}

QVariantList asVariants(const QList<int> &numbers)
{
    QVariantList list;
    for (const int n : numbers)
        list.append(n);
    return list;
}
} // namespace

WindowLayout WindowLayout::load(const QSettings &settings, int panes, int columns)
{
    WindowLayout layout;
    const QVariant geometry = settings.value(kGeometryKey);
    if (geometry.typeId() == QMetaType::QByteArray)
        layout.geometry = geometry.toByteArray();
    layout.splitterSizes = storedLengths(settings.value(kSplitterKey), panes);
    layout.columnWidths = storedLengths(settings.value(kColumnWidthsKey), columns);
    const std::optional<int> column = storedInt(settings.value(kSortColumnKey));
    const std::optional<int> order = storedInt(settings.value(kSortOrderKey));
    // A sort is one column and one direction: both are read, or neither.
    if (column && *column >= 0 && *column < columns && order
        && (*order == Qt::AscendingOrder || *order == Qt::DescendingOrder)) {
        layout.sortColumn = *column;
        layout.sortOrder = Qt::SortOrder(*order);
    }
    return layout;
}

void WindowLayout::save(QSettings &settings) const
{
    settings.setValue(kGeometryKey, geometry);
    settings.setValue(kSplitterKey, asVariants(splitterSizes));
    settings.setValue(kColumnWidthsKey, asVariants(columnWidths));
    settings.setValue(kSortColumnKey, sortColumn);
    settings.setValue(kSortOrderKey, int(sortOrder));
}
