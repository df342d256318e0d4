// The real main window (the application's controller and interface file)
// searching a fake E-utilities server on 127.0.0.1 that answers every query
// with the articles of one saved EFetch answer, in the answer's order and
// with their real PMIDs. tools/screenshot.sh drives it under Xvfb to make the
// README's screenshots; it never talks to the real service.
//   vexmoor-screenshot-window ANSWER.xml [--library] [--esearch ESEARCH.xml] [--elink ELINK.xml...]
// --esearch: every ESearch request gets that saved answer (its translation,
// its errors and warnings) instead.
// --elink: the articles that the saved ELink answers were asked about are
// what every query finds, and ELink answers with their real citing articles,
// per PMID (none for an article the answers do not hold).
// A record the EFetch answer lacks is a real one of the test data with its
// PMID rewritten, as the fake server serves it.
// --library: the window also keeps a library (a temporary file) with three
// collections of the answer's articles and a note, and prints where the
// first collection of the Collections dock is, for the script to click it.
#include "gui/widgets/AlertPresenter.h"
#include "gui/mainwindow/AppController.h"
#include "entrez/ArticleExtractor.h"
#include "entrez/ElinkAnswer.h"
#include "entrez/LinkKind.h"
#include "library/LibraryStore.h"
#include "FakeEutilsServer.h"
#include "FakeReachability.h"
#include "preferences/PreferenceStore.h"

#include <QApplication>
#include <QFile>
#include <QListWidget>
#include <QMainWindow>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <QUrlQuery>
#include <QUrl>

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

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Vexmoor"));
    QStringList arguments = QApplication::arguments().mid(1);
    const bool withLibrary = arguments.removeAll(QStringLiteral("--library")) > 0;
    QString esearchPath;
    QString biocPath;
    QStringList elinkPaths;
    for (qsizetype i = arguments.size() - 1; i >= 1; --i) {
        if (arguments[i - 1] == QLatin1String("--esearch")) {
            esearchPath = arguments.takeAt(i);
            arguments.removeAt(--i);
        } else if (arguments[i - 1] == QLatin1String("--fulltext")) {
            biocPath = arguments.takeAt(i);
            arguments.removeAt(--i);
        }
    }
    if (const qsizetype elink = arguments.indexOf(QStringLiteral("--elink")); elink >= 0) {
        elinkPaths = arguments.mid(elink + 1);
        arguments = arguments.mid(0, elink);
    }
    if (arguments.size() != 1) {
        std::fprintf(stderr, "usage: %s ANSWER.xml [--library] [--fulltext BIOC.json] [--esearch ESEARCH.xml] [--elink ELINK.xml...]\n", argv[0]);
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

    AppController controller(services);
    controller.awakeFromNib();
    if (withLibrary) {
        QTimer::singleShot(500, &controller, [&controller] {
            const auto *list = controller.window()->findChild<QListWidget *>(QStringLiteral("collectionList"));
            const QPoint at = list->viewport()->mapTo(controller.window(), list->visualItemRect(list->item(0)).center());
            QTextStream(stdout) << "first collection at " << at.x() << ' ' << at.y() << Qt::endl;
        });
    }
    return app.exec();
}
