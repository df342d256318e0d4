#pragma once

#include <QJsonValue>
#include <QString>

#include <optional>

// Values of other services' JSON answers, whose types have changed between
// versions: a number may come as a number or as text.

// A finite number, from a number or a numeric text; none otherwise.
std::optional<double> jsonNumber(const QJsonValue &value);
// A PMID from a whole number or a text of digits; empty otherwise.
QString jsonPmid(const QJsonValue &value);
