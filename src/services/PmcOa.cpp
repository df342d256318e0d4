#include "services/PmcOa.h"

#include "services/ServiceRequest.h"

#include <pugixml.hpp>

namespace {

// ftp://ftp.ncbi.nlm.nih.gov/pub/pmc/... as https on the FTP server's https
// address; none for a link to another host.
QUrl overHttps(const QString &link, const Endpoints &endpoints)
{
    const QUrl url(link);
    const QUrl ftp(QStringLiteral("ftp://ftp.ncbi.nlm.nih.gov"));
    if (!url.isValid() || url.host() != ftp.host() || (url.scheme() != QLatin1String("ftp") && url.scheme() != QLatin1String("https")))
        return {};
    return QUrl(endpoints.ncbiFtpOrigin() + url.path(QUrl::FullyEncoded));
}

} // namespace

EutilsRequest pmcOaRequest(const Endpoints &endpoints, const QString &pmcid)
{
    return serviceRequest(QUrl(endpoints.ncbiOrigin() + QLatin1String(Paths::PmcOaService) + QStringLiteral("?id=")
                               + QString::fromLatin1(QUrl::toPercentEncoding(pmcid))));
}

PmcOaRecord pmcOaAnswerFrom(const QByteArray &body, const Endpoints &endpoints)
{
    pugi::xml_document document;
    if (!document.load_buffer(body.constData(), size_t(body.size())) || !document.child("OA"))
        return {.error = QStringLiteral("the answer is not the PMC OA service's")};
    const pugi::xml_node oa = document.child("OA");
    if (const pugi::xml_node error = oa.child("error"))
        return {.error = QString::fromUtf8(error.text().get()).trimmed()};
    const pugi::xml_node record = oa.child("records").child("record");
    if (!record)
        return {.error = QStringLiteral("the PMC OA service has no record of the article")};
    PmcOaRecord answer;
    answer.pmcid = QString::fromUtf8(record.attribute("id").value());
    answer.licence = QString::fromUtf8(record.attribute("license").value());
    answer.retracted = QLatin1String(record.attribute("retracted").value()) == QLatin1String("yes");
    for (const pugi::xml_node link : record.children("link")) {
        if (QLatin1String(link.attribute("format").value()) == QLatin1String("pdf"))
            answer.pdf = overHttps(QString::fromUtf8(link.attribute("href").value()), endpoints);
    }
    return answer;
}
