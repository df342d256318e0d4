// The real main window (the application's controller and interface file)
// searching a fake E-utilities server on 127.0.0.1 that answers every query
// with the articles of one saved EFetch answer, in the answer's order and
// with their real PMIDs. tools/screenshot.sh drives it under Xvfb to make the
// README's screenshot; it never talks to the real service.
// With --library it also keeps a library (a temporary file) with three
// collections of the answer's articles and a note, and prints where the
// first collection of the Collections dock is, for the script to click it.
//   vexmoor-screenshot-window ANSWER.xml [--library]
#include "app/AlertPresenter.h"
#include "app/AppController.h"
#include "entrez/ArticleExtractor.h"
#include "library/LibraryStore.h"
#include "FakeEutilsServer.h"
#include "FakeReachability.h"
#include "preferences/PreferenceStore.h"

#include <QApplication>
#include <QListWidget>
#include <QMainWindow>
#include <QTimer>
#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>
#include <QUrl>

#include <cstdio>

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
    const bool withLibrary = argc == 3 && QByteArray(argv[2]) == "--library";
    if (argc != 2 && !withLibrary) {
        std::fprintf(stderr, "usage: %s ANSWER.xml [--library]\n", argv[0]);
        return 2;
    }
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    const QByteArray xml = file.readAll();
    const SavedAnswer answer = readAnswer(xml);

    FakeEutilsServer server;
    server.serveEsearchOf(answer.pmids);
    server.setHandler(QLatin1String(Paths::EFetch), [&answer](const QUrl &url) {
        QByteArray body = "<?xml version=\"1.0\" ?>\n<PubmedArticleSet>\n";
        for (const QString &id : FakeEutilsServer::requestedIds(url))
            body += answer.records.value(id) + '\n';
        return FakeResponse::xml(body + "</PubmedArticleSet>\n");
    });

    // Fresh preferences with their defaults, never the user's own.
    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("preferences.ini")), QSettings::IniFormat);
    PreferenceStore preferences(&settings);
    registerDefaultPreferences(preferences);
    preferences.setBool(PreferenceKeys::UpdateCheckOnStart, false);

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
    if (withLibrary) {
        if (!fillLibrary(library, xml, server.endpoints())) {
            std::fprintf(stderr, "cannot fill the library: %s\n", qPrintable(library.error()));
            return 1;
        }
        services.library = &library;
    }

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
