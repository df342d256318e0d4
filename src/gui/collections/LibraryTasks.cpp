#include "gui/collections/LibraryTasks.h"

#include "gui/collections/AddIdentifiersDialog.h"
#include "gui/widgets/AlertPresenter.h"
#include "gui/collections/CollectionTexts.h"
#include "entrez/Reachability.h"
#include "library/CollectionAdd.h"
#include "library/IdentifierResolver.h"
#include "library/LibraryMessages.h"
#include "library/LibraryStore.h"
#include "library/RecordRefresh.h"

#include <QFileDialog>
#include <QProgressDialog>

LibraryTasks::LibraryTasks(const AppServices &services, QWidget *window, std::function<EutilsIdentity()> identity,
                           QObject *parent)
    : QObject(parent), m_services(services), m_window(window), m_identity(std::move(identity))
{
    m_askPath = [](QWidget *parent) {
        return QFileDialog::getSaveFileName(parent, CollectionTexts::BackUpTitle, QString(), CollectionTexts::BackUpFilter);
    };
}

template<typename Job>
Job *LibraryTasks::prepared(Job *job)
{
    job->download().setIdentity(m_identity());
    connect(job, &Job::failed, this, [this, job](const QString &reason) {
        fail(reason);
        emit libraryChanged(); // batches stored before the failure stay
        job->deleteLater();
    });
    return job;
}

void LibraryTasks::download(qint64 collection, const QString &name, const QList<qint64> &pmids)
{
    if (!online())
        return;
    auto *add = prepared(new CollectionAdd(*m_services.library, m_services.endpoints, this));
    connect(add, &CollectionAdd::added, this, [this, pmids] { emit pmidsStored(pmids); });
    connect(add, &CollectionAdd::finished, this, [this, add, collection, name, pmids](qsizetype added, const QList<qint64> &missing) {
        QString text = LibraryMessages::added(added, name);
        if (!missing.isEmpty()) {
            QStringList unknown;
            for (const qint64 pmid : missing)
                unknown.append(QString::number(pmid));
            text += QStringLiteral("; ") + LibraryMessages::notFound(unknown);
        }
        emit pmidsStored(pmids);
        emit collectionUpdated(collection);
        emit message(text);
        add->deleteLater();
    });
    emit message(CollectionTexts::adding(name));
    add->start(collection, pmids);
}

void LibraryTasks::updateRecords(qint64 collection, const QString &name)
{
    if (!online())
        return;
    auto *refresh = prepared(new RecordRefresh(*m_services.library, m_services.endpoints, this));
    if (!refresh->start(collection)) {
        fail(refresh->error());
        refresh->deleteLater();
        return;
    }
    auto *progress = new QProgressDialog(CollectionTexts::Updating, CollectionTexts::Cancel, 0, 0, m_window);
    progress->setObjectName(QStringLiteral("updateRecordsProgress"));
    progress->setWindowTitle(CollectionTexts::UpdatingTitle + QStringLiteral(" \u2014 ") + name);
    progress->setAccessibleName(CollectionTexts::UpdatingTitle);
    progress->setMinimumDuration(0);
    // Closing it would say "canceled": it goes with the refresh instead.
    connect(refresh, &QObject::destroyed, progress, &QObject::deleteLater);
    connect(progress, &QProgressDialog::canceled, refresh, [this, refresh, collection] {
        refresh->cancel();
        emit collectionUpdated(collection);
        emit recordsUpdated(collection, refresh->report());
        emit libraryChanged();
        emit message(CollectionTexts::updateCancelled(refresh->report().summary()));
        refresh->deleteLater();
    });
    connect(refresh, &RecordRefresh::progress, progress, [progress](qsizetype done, qsizetype total) {
        progress->setMaximum(int(total));
        progress->setValue(int(done));
    });
    connect(refresh, &RecordRefresh::finished, this, [this, refresh, collection](const RefreshReport &report) {
        emit collectionUpdated(collection);
        emit recordsUpdated(collection, report);
        emit libraryChanged();
        emit message(report.summary());
        refresh->deleteLater();
    });
    progress->show();
}

void LibraryTasks::askForIdentifiers(qint64 collection, const QString &name)
{
    auto *dialog = new AddIdentifiersDialog(name, m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this,
            [this, dialog, collection, name] { addIdentifiers(collection, name, dialog->text()); });
    dialog->open();
}

void LibraryTasks::addIdentifiers(qint64 collection, const QString &name, const QString &text)
{
    if (!online())
        return;
    auto *resolver = new IdentifierResolver(m_services.endpoints, this);
    resolver->setIdentity(m_identity());
    connect(resolver, &IdentifierResolver::failed, this, [this, resolver](const QString &reason) {
        fail(reason);
        resolver->deleteLater();
    });
    connect(resolver, &IdentifierResolver::finished, this,
            [this, resolver, collection, name](const IdentifierResolution &resolution) {
                resolver->deleteLater();
                if (!resolution.notFound.isEmpty())
                    fail(LibraryMessages::notFound(resolution.notFound));
                if (resolution.pmids.isEmpty() && resolution.notFound.isEmpty())
                    emit message(CollectionTexts::NoIdentifiers);
                if (!resolution.pmids.isEmpty())
                    download(collection, name, resolution.pmids);
            });
    resolver->start(text);
}

void LibraryTasks::backUp()
{
    const QString path = m_askPath(m_window);
    if (path.isEmpty())
        return;
    if (m_services.library->backup(path))
        emit message(CollectionTexts::backedUp(path));
    else
        fail(CollectionTexts::backUpFailed(m_services.library->error()));
}

bool LibraryTasks::online() const
{
    const bool online = internetOnline(*m_services.reachability);
    if (!online)
        m_services.alerts->run(Alert::networkError(), m_window);
    return online;
}

void LibraryTasks::fail(const QString &text) const
{
    m_services.alerts->run({Alert::Style::Warning, CollectionTexts::LibraryErrorTitle, text, {}, {CollectionTexts::OK}},
                           m_window);
}
