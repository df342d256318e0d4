#pragma once

#include <QByteArray>
#include <QString>

// A full text PDF is accepted only under this size.
inline constexpr qint64 kMaxFullTextBytes = qint64(100) * 1024 * 1024;

// Why a downloaded answer is not kept as a PDF (empty when it is one): a PDF
// starts with "%PDF-"; an HTML page in its place is a login or a bot check,
// "not available without signing in". A PDF must be under `maxBytes`.
QString pdfRefusal(const QByteArray &body, qint64 maxBytes = kMaxFullTextBytes);
