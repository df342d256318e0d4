#pragma once

#include <QString>

// What the MeSH browser says.
namespace MeshTexts {
inline const QString PanelTitle = QStringLiteral("MeSH Browser");
inline const QString WordPlaceholder = QStringLiteral("Find a MeSH heading");
inline const QString Searching = QStringLiteral("Looking up\u2026");
inline const QString NoHeading = QStringLiteral("No MeSH heading matches.");
inline const QString AnySubheading = QStringLiteral("(no subheading)");
inline const QString Supplementary = QStringLiteral("Supplementary concept, indexed under: %1");
inline QString foundAs(const QString &name, const QString &matched)
{
    return matched == name ? name : QStringLiteral("%1 (found as %2)").arg(name, matched);
}
inline QString articles(qint64 count)
{
    return QStringLiteral("%L1 PubMed articles indexed with it").arg(count);
}
inline QString above(const QString &treeNumber, const QString &name)
{
    return QStringLiteral("\u2191 %1 (above %2)").arg(name, treeNumber);
}
inline QString below(const QString &name)
{
    return QStringLiteral("\u2193 %1").arg(name);
}
inline QString failed(const QString &reason)
{
    return QStringLiteral("The MeSH look-up failed: %1").arg(reason);
}
} // namespace MeshTexts
