#include "library/FullTextFiles.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUuid>

#include <cerrno>
#include <csignal>

namespace {
constexpr char kPartialSuffix[] = ".partial";
} // namespace

QString FullTextFiles::folder(const QString &libraryPath)
{
    return QFileInfo(libraryPath).absolutePath() + QStringLiteral("/fulltext");
}

QString FullTextFiles::fileName(qint64 pmid, FullTextKind kind)
{
    return QString::number(pmid) + (kind == FullTextKind::Pdf ? QStringLiteral(".pdf") : QStringLiteral(".json"));
}

QString FullTextFiles::path(const QString &libraryPath, qint64 pmid, FullTextKind kind)
{
    return folder(libraryPath) + u'/' + fileName(pmid, kind);
}

std::optional<std::pair<qint64, FullTextKind>> FullTextFiles::named(const QString &fileName)
{
    static const QRegularExpression name(QStringLiteral("^([1-9][0-9]{0,9})\\.(json|pdf)$"));
    const QRegularExpressionMatch match = name.match(fileName);
    if (!match.hasMatch())
        return std::nullopt;
    return std::pair(match.captured(1).toLongLong(), match.captured(2) == QLatin1String("pdf") ? FullTextKind::Pdf : FullTextKind::Text);
}

QString FullTextFiles::kindName(FullTextKind kind)
{
    return kind == FullTextKind::Pdf ? QStringLiteral("pdf") : QStringLiteral("text");
}

std::optional<FullTextKind> FullTextFiles::kindNamed(const QString &name)
{
    if (name == QLatin1String("pdf"))
        return FullTextKind::Pdf;
    if (name == QLatin1String("text"))
        return FullTextKind::Text;
    return std::nullopt;
}

QString FullTextFiles::partialName(qint64 pmid, FullTextKind kind)
{
    return QStringLiteral(".%1.%2.%3%4")
        .arg(fileName(pmid, kind))
        .arg(QCoreApplication::applicationPid())
        .arg(QUuid::createUuid().toString(QUuid::WithoutBraces), QLatin1String(kPartialSuffix));
}

bool FullTextFiles::isAbandoned(const QFileInfo &file)
{
    static const QRegularExpression partial(QStringLiteral("^\\.[0-9]+\\.(?:json|pdf)\\.([0-9]+)\\..*\\.partial$"));
    const QRegularExpressionMatch match = partial.match(file.fileName());
    if (!match.hasMatch())
        return false;
    const pid_t writer = pid_t(match.captured(1).toLongLong());
    const bool gone = ::kill(writer, 0) != 0 && errno == ESRCH;
    return gone || file.lastModified().toUTC() < QDateTime::currentDateTimeUtc().addSecs(-kAbandonedAfterSeconds);
}
