#include "fulltext/PdfAnswer.h"

#include "fulltext/FullTextMessages.h"

QString pdfRefusal(const QByteArray &body, qint64 maxBytes)
{
    if (body.startsWith("%PDF-"))
        return body.size() < maxBytes ? QString() : FullTextMessages::tooLarge();
    const QByteArray head = body.left(1024).trimmed().toLower();
    const bool page = head.startsWith("<!doctype html") || head.startsWith("<html") || head.contains("<html")
                      || head.contains("<head") || head.contains("<body");
    return page ? FullTextMessages::signInRequired() : FullTextMessages::notPdf();
}
