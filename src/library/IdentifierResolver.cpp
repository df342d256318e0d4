#include "library/IdentifierResolver.h"

#include "entrez/BlockingFetcher.h"
#include "entrez/EsearchClient.h"
#include "entrez/PmidSearch.h"
#include "library/LibraryMessages.h"

#include <QRegularExpression>
#include <QSet>

#include <algorithm>

namespace {

// Separators are white space, commas, semicolons and bars; a DOI runs to
// white space or a comma, since semicolons and brackets occur inside DOIs.
const QRegularExpression &tokenPattern()
{
    static const QRegularExpression pattern(
        QStringLiteral(R"((?:https?://(?:dx\.)?doi\.org/|doi:\s*)?(10\.\d{4,9}/[^\s,]+))"
                       R"(|(?:PMCID:?\s*)?(PMC\d{1,10})(?=[\s,;|]|$))"
                       R"(|(?:PMID:?\s*)?(\d+)(?=[\s,;|]|$))"
                       R"(|([^\s,;|]+))"),
        QRegularExpression::CaseInsensitiveOption);
    return pattern;
}

// A PMID as a reader types it: a positive number of at most nine digits
// (today's have eight). Zero and longer numbers are no article's, and asking
// PubMed for them only brings back what they are not.
constexpr qint64 kLargestTypedPmid = 999'999'999;

bool isTypedPmid(const QString &digits)
{
    bool ok = false;
    const qint64 value = digits.toLongLong(&ok);
    return ok && value > 0 && value <= kLargestTypedPmid;
}

// A DOI's suffix may hold any printable character but the quote, which
// would end the phrase a DOI is searched as and let the rest through as
// query syntax.
bool isDoiText(const QString &doi)
{
    return std::all_of(doi.cbegin(), doi.cend(), [](QChar c) { return c.isPrint() && c != u'"'; });
}

// Words that only introduce an identifier.
bool isLabel(const QString &token)
{
    static const QRegularExpression label(QStringLiteral("^(PMID|PMCID|DOI):?$"), QRegularExpression::CaseInsensitiveOption);
    return label.match(token).hasMatch();
}

} // namespace

IdentifierResolver::IdentifierResolver(const Endpoints &endpoints, QObject *parent)
    : QObject(parent)
    , m_endpoints(endpoints)
    , m_transfer(m_manager)
    , m_conversion(endpoints)
{
    connect(&m_transfer, &EutilsTransfer::finished, this, &IdentifierResolver::onAnswer);
    connect(&m_conversion, &IdConversion::retryScheduled, this, &IdentifierResolver::retryScheduled);
    connect(&m_conversion, &IdConversion::finished, this, [this](const QHash<QString, ConvertedIds> &known) {
        m_converted = known;
        next();
    });
    // Without the converter, ESearch finds them all the same.
    connect(&m_conversion, &IdConversion::failed, this, &IdentifierResolver::next);
    connect(&m_transfer, &EutilsTransfer::retryScheduled, this, &IdentifierResolver::retryScheduled);
    connect(&m_transfer, &EutilsTransfer::failed, this, [this](const QString &reason) {
        m_running = false;
        emit failed(LibraryMessages::lookupFailed(m_identifiers.at(m_next).text, reason));
    });
}

QList<ArticleIdentifier> IdentifierResolver::parse(const QString &text)
{
    QList<ArticleIdentifier> identifiers;
    QRegularExpressionMatchIterator it = tokenPattern().globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        if (match.hasCaptured(1)) {
            QString doi = match.captured(1);
            // The end of a sentence, not of the DOI.
            while (doi.endsWith(QLatin1Char('.')) || doi.endsWith(QLatin1Char(';')))
                doi.chop(1);
            if (isDoiText(doi))
                identifiers.append({ArticleIdentifier::Kind::Doi, doi});
            else
                identifiers.append({ArticleIdentifier::Kind::Unknown, match.captured(0)});
        } else if (match.hasCaptured(2)) {
            identifiers.append({ArticleIdentifier::Kind::Pmcid, match.captured(2).toUpper()});
        } else if (match.hasCaptured(3) && isTypedPmid(match.captured(3))) {
            identifiers.append({ArticleIdentifier::Kind::Pmid, QString::number(match.captured(3).toLongLong())});
        } else if (!isLabel(match.captured(0))) {
            identifiers.append({ArticleIdentifier::Kind::Unknown, match.captured(0)});
        }
    }
    return identifiers;
}

bool IdentifierResolver::start(const QString &text)
{
    if (m_running)
        return false;
    m_identifiers = parse(text);
    m_next = 0;
    m_resolution = {};
    m_converted.clear();
    m_running = true;
    // Always through the event loop, so that the caller hears the end after start() returns.
    QMetaObject::invokeMethod(this, &IdentifierResolver::convert, Qt::QueuedConnection);
    return true;
}

void IdentifierResolver::cancel()
{
    m_running = false;
    m_conversion.cancel();
    m_transfer.cancel();
}

// The DOIs and PMCIDs in bulk through the converter, before any ESearch.
void IdentifierResolver::convert()
{
    if (!m_running)
        return;
    IdConversion::Ids ids;
    for (const ArticleIdentifier &id : std::as_const(m_identifiers)) {
        if (id.kind == ArticleIdentifier::Kind::Doi || id.kind == ArticleIdentifier::Kind::Pmcid)
            ids.append({id.kind == ArticleIdentifier::Kind::Doi ? ArticleIdType::Doi : ArticleIdType::Pmcid, id.text});
    }
    if (ids.isEmpty())
        next();
    else
        m_conversion.start(ids);
}

void IdentifierResolver::next()
{
    if (!m_running)
        return;
    for (; m_next < m_identifiers.size(); ++m_next) {
        const ArticleIdentifier &id = m_identifiers.at(m_next);
        switch (id.kind) {
        case ArticleIdentifier::Kind::Pmid:
            if (!m_resolution.pmids.contains(id.text.toLongLong()))
                m_resolution.pmids.append(id.text.toLongLong());
            continue;
        case ArticleIdentifier::Kind::Unknown:
            m_resolution.notFound.append(id.text);
            continue;
        case ArticleIdentifier::Kind::Doi:
        case ArticleIdentifier::Kind::Pmcid:
            break;
        }
        const ArticleIdType type = id.kind == ArticleIdentifier::Kind::Doi ? ArticleIdType::Doi : ArticleIdType::Pmcid;
        if (const QString pmid = m_converted.value(articleIdKey(type, id.text)).pmid; !pmid.isEmpty()) {
            if (!m_resolution.pmids.contains(pmid.toLongLong()))
                m_resolution.pmids.append(pmid.toLongLong());
            continue;
        }
        const QString term = id.kind == ArticleIdentifier::Kind::Doi ? QLatin1Char('"') + id.text + QStringLiteral("\"[doi]")
                                                                     : id.text + QStringLiteral("[pmcid]");
        if (!m_transfer.start(esearchRequest(m_endpoints, prepareQueryTerm(term), 0, 1, m_identity))) {
            m_running = false;
            emit failed(LibraryMessages::lookupFailed(id.text, QStringLiteral("the request could not be started")));
        }
        return;
    }
    m_running = false;
    emit finished(m_resolution);
}

void IdentifierResolver::onAnswer()
{
    FetchResult fetched;
    fetched.body = m_transfer.takeBody();
    fetched.httpStatus = m_transfer.httpStatus();
    const PmidSearchOutcome outcome = pmidSearchOutcome(fetched, 1);
    const ArticleIdentifier &id = m_identifiers.at(m_next);
    if (!outcome.result) {
        m_running = false;
        emit failed(LibraryMessages::lookupFailed(id.text, outcome.error));
        return;
    }
    const QString pmid = outcome.result->PMIDs.value(0);
    if (pmid.isEmpty())
        m_resolution.notFound.append(id.text);
    else if (!m_resolution.pmids.contains(pmid.toLongLong()))
        m_resolution.pmids.append(pmid.toLongLong());
    ++m_next;
    next();
}
