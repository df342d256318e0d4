#include "entrez/EsearchClient.h"

QString prepareQueryTerm(const QString &fieldText)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(fieldText.trimmed()));
}

