#include "services/JsonValues.h"

#include "entrez/Pmid.h"

#include <cmath>

std::optional<double> jsonNumber(const QJsonValue &value)
{
    bool ok = value.isDouble();
    const double number = ok ? value.toDouble() : value.toString().trimmed().toDouble(&ok);
    return ok && std::isfinite(number) ? std::optional<double>(number) : std::nullopt;
}

QString jsonPmid(const QJsonValue &value)
{
    if (value.isDouble()) {
        const double number = value.toDouble();
        if (number < 1 || number > 9999999999.0 || number != std::floor(number))
            return {};
        return QString::number(qint64(number));
    }
    const QString text = value.toString().trimmed();
    return isPmid(text.toStdString()) ? text : QString();
}
