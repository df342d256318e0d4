#include "services/Unpaywall.h"

#include "services/ServiceRequest.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

QUrl webUrl(const QJsonValue &value)
{
    const QUrl url(value.toString().trimmed(), QUrl::StrictMode);
    const bool web = url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http");
    return url.isValid() && web && !url.host().isEmpty() ? url : QUrl();
}

} // namespace

EutilsRequest unpaywallRequest(const Endpoints &endpoints, const QString &doi, const QString &email)
{
    return serviceRequest(QUrl(endpoints.unpaywallOrigin() + QLatin1String(Paths::UnpaywallPrefix)
                               + QString::fromLatin1(QUrl::toPercentEncoding(doi.trimmed(), "/")) + QStringLiteral("?email=")
                               + QString::fromLatin1(QUrl::toPercentEncoding(email.trimmed()))));
}

UnpaywallAnswer unpaywallAnswerFrom(const QByteArray &body)
{
    QJsonParseError error;
    const QJsonObject object = QJsonDocument::fromJson(body, &error).object();
    if (error.error != QJsonParseError::NoError || !object.contains(QLatin1String("is_oa")))
        return {.error = QStringLiteral("the answer is not Unpaywall's")};
    UnpaywallAnswer answer;
    answer.oaStatus = object.value(QLatin1String("oa_status")).toString();
    const QJsonObject best = object.value(QLatin1String("best_oa_location")).toObject();
    if (object.value(QLatin1String("is_oa")).toBool() && !best.isEmpty()) {
        const auto text = [&best](const char *key) { return best.value(QLatin1String(key)).toString(); };
        answer.best = UnpaywallLocation{webUrl(best.value(QLatin1String("url_for_landing_page"))),
                                        webUrl(best.value(QLatin1String("url_for_pdf"))), text("license"),
                                        text("version"), text("host_type")};
    }
    return answer;
}
