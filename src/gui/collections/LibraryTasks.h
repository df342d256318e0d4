#pragma once

#include "gui/mainwindow/AppServices.h"
#include "entrez/EutilsRequest.h"

#include <QObject>

#include <functional>

class QWidget;
struct RefreshReport;

// The library's longer jobs, none of which holds the window up: downloading
// articles into a collection, updating a collection's records (with a
// cancellable progress window), adding pasted identifiers, and backing the
// library up. Each tells the outcome as one message line; a failure is an
// alert.
class LibraryTasks : public QObject
{
    Q_OBJECT

public:
    using PathAsker = std::function<QString(QWidget *parent)>;

    LibraryTasks(const AppServices &services, QWidget *window, std::function<EutilsIdentity()> identity,
                 QObject *parent = nullptr);

    // Downloads `pmids` (each with its own XML) into the collection.
    void download(qint64 collection, const QString &name, const QList<qint64> &pmids);
    void updateRecords(qint64 collection, const QString &name);
    // Opens the dialog; what is pasted is looked up, then downloaded.
    void askForIdentifiers(qint64 collection, const QString &name);
    void addIdentifiers(qint64 collection, const QString &name, const QString &text);
    void backUp();
    void setBackupPathAsker(PathAsker asker) { m_askPath = std::move(asker); }

signals:
    void libraryChanged();
    // Some of `pmids` may have been stored since (a download goes on batch by batch).
    void pmidsStored(const QList<qint64> &pmids);
    void collectionUpdated(qint64 collection);
    // After Update Records, finished or cancelled, once the collection was updated.
    void recordsUpdated(qint64 collection, const RefreshReport &report);
    void message(const QString &text);

private:
    // Online, or else the "Network Error" alert has been shown.
    bool online() const;
    void fail(const QString &text) const;
    template<typename Job>
    Job *prepared(Job *job);

    AppServices m_services;
    QWidget *m_window;
    std::function<EutilsIdentity()> m_identity;
    PathAsker m_askPath;
};
