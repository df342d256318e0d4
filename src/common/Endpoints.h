#pragma once

#include <QString>
#include <QUrl>

// Every host the application talks to, in one place. The application always
// uses the defaults; tests point the fields at a local fake server.
struct Endpoints
{
    QUrl eutils = QUrl(QStringLiteral("https://eutils.ncbi.nlm.nih.gov"));
    QUrl doiResolver = QUrl(QStringLiteral("https://doi.org"));
    // The PubMed site: its help pages and a page for every article.
    QUrl pubmed = QUrl(QStringLiteral("https://pubmed.ncbi.nlm.nih.gov"));
    // PubMed Central, where an article's free full text is.
    QUrl pmc = QUrl(QStringLiteral("https://pmc.ncbi.nlm.nih.gov"));
    QUrl home = QUrl(QStringLiteral("https://www.vexmoor.org"));
    // The other services, each reached only through its documented
    // programmatic interface: NCBI's PMC OA web service and BioC, PMC's ID
    // converter, the PMC Cloud Service's article files, Unpaywall and iCite.
    QUrl ncbi = QUrl(QStringLiteral("https://www.ncbi.nlm.nih.gov"));
    QUrl pmcApi = QUrl(QStringLiteral("https://pmc.ncbi.nlm.nih.gov"));
    QUrl pmcCloud = QUrl(QStringLiteral("https://pmc-oa-opendata.s3.amazonaws.com"));
    // NCBI's FTP server over https, where the PMC OA service's files are.
    QUrl ncbiFtp = QUrl(QStringLiteral("https://ftp.ncbi.nlm.nih.gov"));
    QUrl unpaywall = QUrl(QStringLiteral("https://api.unpaywall.org"));
    QUrl icite = QUrl(QStringLiteral("https://icite.od.nih.gov"));

    // Every service but the E-utilities at one origin: a local stand-in for tests and benches.
    void pointServicesAt(const QUrl &origin) { ncbi = pmcApi = pmcCloud = ncbiFtp = unpaywall = icite = origin; }

    // scheme://host[:port] without a trailing slash, ready for a path to be appended.
    static QString origin(const QUrl &url) { return url.adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment).toString(QUrl::StripTrailingSlash); }
    QString eutilsOrigin() const { return origin(eutils); }
    QString doiOrigin() const { return origin(doiResolver); }
    QString pubmedOrigin() const { return origin(pubmed); }
    QString pmcOrigin() const { return origin(pmc); }
    QString homeOrigin() const { return origin(home); }
    QString ncbiOrigin() const { return origin(ncbi); }
    QString pmcApiOrigin() const { return origin(pmcApi); }
    QString pmcCloudOrigin() const { return origin(pmcCloud); }
    QString ncbiFtpOrigin() const { return origin(ncbiFtp); }
    QString unpaywallOrigin() const { return origin(unpaywall); }
    QString iciteOrigin() const { return origin(icite); }
};

// Paths and queries appended to the hosts above.
namespace Paths {
inline constexpr char ESearch[] = "/entrez/eutils/esearch.fcgi";
inline constexpr char EFetch[] = "/entrez/eutils/efetch.fcgi";
inline constexpr char ESpell[] = "/entrez/eutils/espell.fcgi";
inline constexpr char ESummary[] = "/entrez/eutils/esummary.fcgi";
inline constexpr char ELink[] = "/entrez/eutils/elink.fcgi?dbfrom=pubmed&retmode=ref&cmd=prlinks&retmode=ref";
// ELink asked for PubMed-to-PubMed link sets (similar, cited by, references).
inline constexpr char ELinkService[] = "/entrez/eutils/elink.fcgi";
// ECitMatch: PubMed's batch citation matcher (journal, year, volume, first page, author).
inline constexpr char ECitMatch[] = "/entrez/eutils/ecitmatch.cgi";
// PubMed's help on search fields and tags.
inline constexpr char PubMedFieldHelp[] = "/help/#search-tags";
// An article's page on the PubMed site and in PubMed Central: the PMID or the
// PMCID goes between the prefix and the closing "/".
inline constexpr char PubMedArticlePrefix[] = "/";
inline constexpr char PmcArticlePrefix[] = "/articles/";
inline constexpr char ArticleSuffix[] = "/";
inline constexpr char VersionPage[] = "/orbatine/currentVersion.html";
// The home site's download folder, which offers the build for each system.
inline constexpr char Download[] = "/orbatine/download_files/";
// PMC's ID converter: PMIDs, PMCIDs and DOIs, up to kIdConverterMaxIds a request.
inline constexpr char IdConverter[] = "/tools/idconv/api/v1/articles/";
// The PMC OA web service: whether an article is in the open-access subset, its licence and files.
inline constexpr char PmcOaService[] = "/pmc/utils/oa/oa.fcgi";
// BioC: an open-access article's text as passages; the PMCID and "/unicode" follow.
inline constexpr char BiocJsonPrefix[] = "/research/bionlp/RESTful/pmcoa.cgi/BioC_json/";
// Unpaywall's record of a DOI: the DOI follows, then ?email=.
inline constexpr char UnpaywallPrefix[] = "/v2/";
// iCite's records of up to kIciteMaxPmids PMIDs (?pmids=a,b,...).
inline constexpr char IcitePubs[] = "/api/pubs";
} // namespace Paths

// Two widely reachable public hosts for the connectivity probe; the second is
// asked only when the first fails.
namespace ProbeHosts {
inline constexpr char First[] = "www.ncbi.nlm.nih.gov";
inline constexpr char Second[] = "www.wikipedia.org";
} // namespace ProbeHosts

// ESearch serves only the first this-many PMIDs of a query (retstart stops at
// 9998), while its Count still reports every match.
inline constexpr int kEsearchRecordLimit = 9999;
// The largest batch the application asks for in one request.
inline constexpr int kMaxBatchSize = 10000;
// An ELink request for more PMIDs than this is a POST: a longer GET URL is
// refused by the service.
inline constexpr int kElinkMaxGetIds = 200;
// The most ids one ID-converter request and one iCite request take.
inline constexpr int kIdConverterMaxIds = 200;
inline constexpr int kIciteMaxPmids = 200;
// The most citations one ECitMatch request matches.
inline constexpr int kEcitmatchMaxCitations = 100;
// A GET to another service is kept below this length, its ids split over
// more requests: servers refuse longer request lines.
inline constexpr int kMaxServiceGetUrlLength = 4000;
// The pace of each other service, from the whole process: requests per rolling second.
inline constexpr int kServiceRequestsPerSecond = 3;
// The name every E-utilities request gives as tool=.
inline constexpr char kEutilsTool[] = "vexmoor";
// The service's pacing: requests per rolling second, without and with an API key.
inline constexpr int kEutilsRequestsPerSecond = 3;
inline constexpr int kEutilsRequestsPerSecondWithKey = 10;
// Answers larger than this are refused before they are held in memory.
inline constexpr qint64 kMaxAnswerBytes = qint64(512) * 1024 * 1024;
// Network requests give up after this long without a byte arriving.
inline constexpr int kNetworkTimeoutMs = 60 * 1000;
// However steadily bytes trickle in, a request gives up after this long: the
// search and the version page, and an EFetch request with this much more per
// requested article.
inline constexpr int kRequestDeadlineMs = 120 * 1000;
inline constexpr int kEfetchDeadlinePerArticleMs = 100;
