// The real main window (the application's controller and interface file)
// searching a fake E-utilities server on 127.0.0.1 that answers every query
// with the articles of one saved EFetch answer, in the answer's order and
// with their real PMIDs. tools/screenshot.sh drives it under Xvfb to make the
// README's screenshots; it never talks to the real service.
//   vexmoor-screenshot-window ANSWER.xml [--library] [--esearch ESEARCH.xml] [--mesh ESUMMARY.xml]
//                             [--timeline RESULTS_BY_YEAR.csv] [--elink ELINK.xml...]
// --esearch: every ESearch request gets that saved answer (its translation,
// its errors and warnings) instead.
// --elink: the articles that the saved ELink answers were asked about are
// what every query finds, and ELink answers with their real citing articles,
// per PMID (none for an article the answers do not hold).
// A record the EFetch answer lacks is a real one of the test data with its
// PMID rewritten, as the fake server serves it.
// --mesh: the MeSH browser's ESearch finds the headings of the saved ESummary
// answer of db=mesh, and ESummary gives that answer.
// --timeline: count requests are answered from PubMed's saved "Results by
// year" download, summed over the years asked; the local stand-in is not
// paced, so the whole chart fills in at once.
// --library: the window also keeps a library (a temporary file) with three
// collections of the answer's articles and a note, and prints where the
// first collection of the Collections dock is, for the script to click it.
#include "gui/widgets/AlertPresenter.h"
#include "gui/mainwindow/AppController.h"
#include "entrez/ArticleExtractor.h"
#include "entrez/ElinkAnswer.h"
#include "entrez/LinkKind.h"
#include "entrez/MeshHeading.h"
#include "timeline/YearCounts.h"
#include "library/LibraryStore.h"
#include "export/Reference.h"
#include "gui/review/ReviewWorkspace.h"
#include "gui/review/ScreeningView.h"
#include "review/ReviewDeduplication.h"
#include "review/ReviewImport.h"
#include "review/ReviewMessages.h"
#include "review/ReviewReport.h"
#include "FakeEutilsServer.h"
#include "FakeReachability.h"
#include "preferences/PreferenceStore.h"

#include <QApplication>
#include <QFile>
#include <QListWidget>
#include <QMainWindow>
#include <QRegularExpression>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <QUrlQuery>
#include <QUrl>
#include <QUrlQuery>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

// The answer's articles by PMID, in the answer's order.
struct SavedAnswer
{
    QList<qint64> pmids;
    QHash<QString, QByteArray> records;
};

SavedAnswer readAnswer(const QByteArray &xml)
{
    SavedAnswer answer;
    static const QByteArray open = "<PubmedArticle>", close = "</PubmedArticle>";
    static const QRegularExpression pmid(QStringLiteral("<PMID[^>]*>(\\d+)</PMID>"));
    for (qsizetype from = xml.indexOf(open); from >= 0; from = xml.indexOf(open, from)) {
        const qsizetype end = xml.indexOf(close, from);
        if (end < 0)
            break;
        const QByteArray record = xml.mid(from, end + close.size() - from);
        const QRegularExpressionMatch match = pmid.match(QString::fromUtf8(record));
        if (match.hasMatch() && !answer.records.contains(match.captured(1))) {
            answer.pmids.append(match.captured(1).toLongLong());
            answer.records.insert(match.captured(1), record);
        }
        from = end;
    }
    return answer;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        std::exit(1);
    }
    return file.readAll();
}

// The citing articles of each PMID a saved ELink answer was asked about alone.
QHash<QString, QStringList> citingArticles(const QStringList &paths)
{
    QHash<QString, QStringList> citing;
    for (const QString &path : paths) {
        const std::optional<ElinkAnswer> answer = elinkAnswerFromResponse(fileBytes(path));
        for (const ElinkLinkSet &set : answer ? answer->linkSets : QList<ElinkLinkSet>()) {
            if (set.askedPmids.size() == 1)
                citing.insert(set.askedPmids.constFirst(),
                              pmidsOf(set.links.value(linkNameOf(LinkKind::CitedBy))));
        }
    }
    return citing;
}

// Collections of the answer's articles, as a reader might have made them.
bool fillLibrary(LibraryStore &library, const QByteArray &xml, const Endpoints &endpoints)
{
    QList<ArticleToStore> articles;
    if (library.open() != LibraryStore::OpenState::Opened
        || appendArticlesToStore(xml, articles, elinkBaseUrl(endpoints)) < 30)
        return false;
    const struct
    {
        const char *name;
        qsizetype from, count;
    } collections[] = {{"Cement leakage", 20, 6}, {"To read", 40, 3}, {"Vertebroplasty review", 0, 14}};
    for (const auto &collection : collections) {
        const std::optional<qint64> id = library.createCollection(QString::fromLatin1(collection.name));
        if (!id || !library.addArticles(*id, articles.mid(collection.from, collection.count)))
            return false;
    }
    return library.setNote(articles.first().record.text(ArticleRecord::Key::PMID).toLongLong(),
                           QStringLiteral("Compare the leakage rates with the cement volume table."));
}

} // namespace

// A review of the answer's articles as a PubMed search, with the shared
// exports of other databases imported and deduplicated, and the screening of
// it under way; none when it could not be made.
std::optional<Review> fillReview(LibraryStore &library, const QByteArray &xml, const QString &query)
{
    if (!library.isOpen() && library.open() != LibraryStore::OpenState::Opened)
        return std::nullopt;
    ReviewStore store(library);
    Review review;
    review.name = QStringLiteral("Vertebroplasty complications");
    review.question = QStringLiteral("What complications follow percutaneous vertebroplasty?");
    review.reasons = ReviewMessages::defaultReasons();
    review.highlights = {QStringLiteral("vertebroplasty"), QStringLiteral("cement"), QStringLiteral("leakage")};
    if (!(review.id = store.createReview(review).value_or(0)))
        return std::nullopt;
    ArticleList articles;
    appendArticlesFromBytes(xml, articles, "");
    ReviewRecords records;
    for (const ArticleRecord &article : articles)
        records.append(recordFromReference(referenceForArticle(article)));
    if (!store.addSource(review.id, {0, QStringLiteral("PubMed"), QStringLiteral("Vexmoor"), query, QDate(2026, 1, 5), 0}, records))
        return std::nullopt;
    for (const auto &[file, database] : {std::pair("embase-ovid.ris", "Embase"), {"scopus.csv", "Scopus"}}) {
        QFile export_(QStringLiteral(VEXMOOR_TEST_SOURCE_DIR "/../data/review/") + QLatin1String(file));
        const ReviewImport::Result read = export_.open(QIODevice::ReadOnly)
                                              ? ReviewImport::read(export_.readAll(), *ReviewImport::detect(export_.fileName(), {}))
                                              : ReviewImport::Result();
        if (!store.addSource(review.id, {0, QLatin1String(database), {}, {}, QDate(2026, 1, 6), 0}, read.records))
            return std::nullopt;
    }
    if (!ReviewDeduplication::run(store, review.id, QStringLiteral("screenshot"), false))
        return std::nullopt;
    const ReviewRecords standing = store.records(review.id).value_or(ReviewRecords());
    // The first 60 screened: reasons in turn, every third on to the full text.
    for (qsizetype i = 0; i < std::min<qsizetype>(60, standing.size()); ++i) {
        const bool on = i % 3 == 0;
        store.decide(review.id, {standing.at(i).id, ScreeningStage::TitleAbstract, on ? ScreeningChoice::Include : ScreeningChoice::Exclude,
                                 on ? QString() : review.reasons.at(i % review.reasons.size()), QStringLiteral("screenshot"), {}});
        if (on)
            store.decide(review.id, {standing.at(i).id, ScreeningStage::FullText,
                                     i % 9 == 0 ? ScreeningChoice::Exclude : ScreeningChoice::Include,
                                     i % 9 == 0 ? review.reasons.at(2) : QString(), QStringLiteral("screenshot"), {}});
    }
    return review;
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Vexmoor"));
    QStringList arguments = QApplication::arguments().mid(1);
    const bool withLibrary = arguments.removeAll(QStringLiteral("--library")) > 0;
    QString reviewPage;
    if (const qsizetype at = arguments.indexOf(QStringLiteral("--review")); at >= 0 && at + 1 < arguments.size()) {
        reviewPage = arguments.takeAt(at + 1);
        arguments.removeAt(at);
    }
    QString esearchPath;
    QString meshPath;
    QString timelinePath;
    QString biocPath;
    QStringList elinkPaths;
    const std::pair<const char *, QString *> fileOptions[] = {
        {"--esearch", &esearchPath}, {"--mesh", &meshPath}, {"--timeline", &timelinePath}, {"--fulltext", &biocPath}};
    for (qsizetype i = arguments.size() - 1; i >= 1; --i) {
        for (const auto &[option, path] : fileOptions) {
            if (i >= 1 && arguments[i - 1] == QLatin1String(option)) {
                *path = arguments.takeAt(i);
                arguments.removeAt(--i);
            }
        }
    }
    if (const qsizetype elink = arguments.indexOf(QStringLiteral("--elink")); elink >= 0) {
        elinkPaths = arguments.mid(elink + 1);
        arguments = arguments.mid(0, elink);
    }
    if (arguments.size() != 1) {
        std::fprintf(stderr, "usage: %s ANSWER.xml [--library] [--fulltext BIOC.json] [--esearch ESEARCH.xml] "
                             "[--mesh ESUMMARY.xml] [--timeline RESULTS.csv] [--elink ELINK.xml...]\n", argv[0]);
        return 2;
    }
    const QByteArray xml = fileBytes(arguments.constFirst());
    const SavedAnswer answer = readAnswer(xml);
    const QHash<QString, QStringList> citing = citingArticles(elinkPaths);

    FakeEutilsServer server;
    if (!esearchPath.isEmpty()) {
        const QByteArray esearch = fileBytes(esearchPath);
        server.setHandler(QLatin1String(Paths::ESearch), [esearch](const QUrl &) { return FakeResponse::xml(esearch); });
    } else if (!citing.isEmpty()) {
        QList<qint64> asked;
        for (const QString &pmid : citing.keys())
            asked.append(pmid.toLongLong());
        std::sort(asked.begin(), asked.end(), std::greater<>());
        server.serveEsearchOf(asked);
    } else if (!meshPath.isEmpty() || !timelinePath.isEmpty()) {
        const QByteArray summary = meshPath.isEmpty() ? QByteArray() : fileBytes(meshPath);
        const YearCounts years = YearCountsCsv::read(QString::fromUtf8(timelinePath.isEmpty() ? QByteArray() : fileBytes(timelinePath))).value_or(YearCounts());
        server.setHandler(QLatin1String(Paths::ESearch), [summary, years, &answer](const QUrl &url) {
            const QUrlQuery query(url);
            if (query.queryItemValue(QStringLiteral("db")) == QLatin1String("mesh")) {
                QByteArray ids;
                for (const MeshHeading &heading : meshSummaryFromResponse(summary).value_or(MeshSummaryAnswer()).headings)
                    ids += "<Id>" + heading.uid.toLatin1() + "</Id>";
                return FakeResponse::xml("<eSearchResult><Count>1</Count><IdList>" + ids + "</IdList></eSearchResult>");
            }
            if (query.queryItemValue(QStringLiteral("rettype")) == QLatin1String("count")) {
                const int from = query.queryItemValue(QStringLiteral("mindate")).toInt();
                const int to = query.hasQueryItem(QStringLiteral("maxdate")) ? query.queryItemValue(QStringLiteral("maxdate")).toInt() : 9999;
                qint64 count = 0;
                for (auto year = years.lowerBound(from); year != years.cend() && year.key() <= to; ++year)
                    count += year.value();
                return FakeResponse::xml("<eSearchResult><Count>" + QByteArray::number(count) + "</Count></eSearchResult>");
            }
            return FakeResponse::xml(FakeEutilsServer::esearchAnswer(
                int(answer.pmids.size()), query.queryItemValue(QStringLiteral("retstart")).toInt(),
                query.queryItemValue(QStringLiteral("retmax")).toInt(),
                [&answer](int i) { return QString::number(answer.pmids.at(i)); }));
        });
        server.setHandler(QLatin1String(Paths::ESummary), [summary](const QUrl &) { return FakeResponse::xml(summary); });
        FakeEutilsServer::unpaceRequests();
    } else {
        server.serveEsearchOf(answer.pmids);
    }
    server.serveElink([&citing](const QString &pmid, const QString &linkName) {
        return linkName == linkNameOf(LinkKind::CitedBy) ? citing.value(pmid) : QStringList();
    });
    server.setHandler(QLatin1String(Paths::EFetch), [&answer](const QUrl &url) {
        const QStringList ids = FakeEutilsServer::requestedIds(url);
        if (!std::all_of(ids.begin(), ids.end(), [&answer](const QString &id) { return answer.records.contains(id); }))
            return FakeResponse::xml(FakeEutilsServer::efetchAnswer(ids));
        QByteArray body = "<?xml version=\"1.0\" ?>\n<PubmedArticleSet>\n";
        for (const QString &id : ids)
            body += answer.records.value(id) + '\n';
        return FakeResponse::xml(body + "</PubmedArticleSet>\n");
    });

    if (!biocPath.isEmpty()) {
        // Every article is in PMC's open-access subset, its text the saved BioC answer's.
        const QByteArray bioc = fileBytes(biocPath);
        server.setHandler(QLatin1String(Paths::IdConverter), [](const QUrl &url) {
            const QString pmid = QUrlQuery(url).queryItemValue(QStringLiteral("ids")).section(u',', 0, 0);
            return FakeResponse::xml(QStringLiteral(R"({"records": [{"requested-id": "%1", "pmid": "%1", "pmcid": "PMC10793275"}]})").arg(pmid).toUtf8());
        });
        server.setHandler(QLatin1String(Paths::PmcOaService), [](const QUrl &) {
            return FakeResponse::xml(R"(<OA><records><record id="PMC10793275" license="CC BY"/></records></OA>)");
        });
        server.setHandler(QLatin1String(Paths::BiocJsonPrefix) + QStringLiteral("PMC10793275/unicode"), [bioc](const QUrl &) { return FakeResponse::xml(bioc); });
    }

    // Fresh preferences with their defaults, never the user's own.
    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("preferences.ini")), QSettings::IniFormat);
    PreferenceStore preferences(&settings);
    registerDefaultPreferences(preferences);
    preferences.setBool(PreferenceKeys::UpdateCheckOnStart, false);
    // The citing articles of the pictures are ELink's real answers.
    preferences.setObject(PreferenceKeys::CitationSource, CitationSources::name(CitationSource::Pmc));
    if (!biocPath.isEmpty())
        preferences.setObject(PreferenceKeys::ContactEmail, QStringLiteral("reader@example.org"));

    FakeReachability reachability;
    MessageBoxAlertPresenter alerts;
    // Links are printed, not opened.
    class PrintingUrlOpener : public UrlOpener
    {
    public:
        void open(const QUrl &url) override { QTextStream(stdout) << "open " << url.toString() << Qt::endl; }
    } opener;
    AppServices services;
    services.preferences = &preferences;
    services.endpoints = server.endpoints();
    services.reachability = &reachability;
    services.alerts = &alerts;
    services.urlOpener = &opener;

    LibraryStore library(dir.filePath(QStringLiteral("library.sqlite")));
    if (withLibrary && !fillLibrary(library, xml, server.endpoints())) {
        std::fprintf(stderr, "cannot fill the library: %s\n", qPrintable(library.error()));
        return 1;
    }
    // A collection for the articles whose full text is got.
    if (!withLibrary && !biocPath.isEmpty()
        && (library.open() != LibraryStore::OpenState::Opened || !library.createCollection(QStringLiteral("To read")))) {
        std::fprintf(stderr, "cannot make the library: %s\n", qPrintable(library.error()));
        return 1;
    }
    if (withLibrary || !biocPath.isEmpty())
        services.library = &library;

    std::optional<Review> review;
    if (!reviewPage.isEmpty()) {
        services.library = &library;
        if (!(review = fillReview(library, xml, QStringLiteral("vertebroplasty AND complication*")))) {
            std::fprintf(stderr, "cannot make the review\n");
            return 1;
        }
    }

    AppController controller(services);
    controller.awakeFromNib();
    if (review) {
        auto *workspace = new ReviewWorkspace(library, *review, QStringLiteral("screenshot"), noFullText(), {}, controller.window());
        workspace->setWindowFlag(Qt::Window);
        workspace->resize(1000, 760);
        auto *tabs = workspace->findChild<QTabWidget *>();
        tabs->setCurrentIndex(reviewPage == QLatin1String("prisma") ? 3 : 2);
        workspace->show();
    }
    if (withLibrary) {
        QTimer::singleShot(500, &controller, [&controller] {
            const auto *list = controller.window()->findChild<QListWidget *>(QStringLiteral("collectionList"));
            const QPoint at = list->viewport()->mapTo(controller.window(), list->visualItemRect(list->item(0)).center());
            QTextStream(stdout) << "first collection at " << at.x() << ' ' << at.y() << Qt::endl;
        });
    }
    return app.exec();
}
