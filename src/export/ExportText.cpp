#include "ExportText.h"

#include "citations/LinkUrl.h"

QString singleLine(const QString &text)
{
    QString line;
    line.reserve(text.size());
    bool pendingSpace = false;
    for (const QChar c : text) {
        if (c.isSpace()) {
            pendingSpace = !line.isEmpty();
            continue;
        }
        if (c.category() == QChar::Other_Control)
            continue;
        if (pendingSpace)
            line += QLatin1Char(' ');
        pendingSpace = false;
        line += c;
    }
    return line;
}

QString pubmedUrl(const QString &pmid)
{
    return pmid.isEmpty() ? QString() : QLatin1String(PublicAddresses::PubMedArticle) + pmid + QLatin1Char('/');
}

QString doiLink(const QString &doi)
{
    return doi.isEmpty() ? QString() : encodedLinkUrl(QLatin1String(PublicAddresses::DoiResolver) + doi);
}
