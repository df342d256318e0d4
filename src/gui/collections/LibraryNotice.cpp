#include "gui/collections/LibraryNotice.h"

#include <QDir>
#include <QTimer>
#include <QWidget>

namespace {

Alert libraryAlert(const QString &message, const QString &informativeText)
{
    return Alert{.style = Alert::Style::Warning,
                 .title = QStringLiteral("Library"),
                 .message = message,
                 .informativeText = informativeText,
                 .buttons = {QStringLiteral("OK")}};
}

} // namespace

void LibraryNotice::showWhenUp(const std::optional<Alert> &alert, AlertPresenter &alerts, QWidget *window)
{
    if (alert)
        QTimer::singleShot(0, window, [&alerts, window, alert = *alert] { alerts.run(alert, window); });
}

std::optional<Alert> LibraryNotice::alertFor(const LibraryStore &store, LibraryStore::OpenState state)
{
    const QString path = QDir::toNativeSeparators(store.path());
    switch (state) {
    case LibraryStore::OpenState::NewerSchema:
        return libraryAlert(QStringLiteral("Your library was written by a newer version of Vexmoor."),
                            QStringLiteral("Vexmoor leaves %1 as it is and works without the library: the search "
                                           "history, saved searches and collections are not available until "
                                           "the newer version is used again.")
                                .arg(path));
    case LibraryStore::OpenState::Failed:
        return libraryAlert(QStringLiteral("Your library could not be opened."),
                            store.error() + QStringLiteral("\nVexmoor works without the library this time."));
    case LibraryStore::OpenState::Opened:
        if (store.movedAsideTo().isEmpty())
            return std::nullopt;
        return libraryAlert(QStringLiteral("Your library was damaged, so Vexmoor started a new one."),
                            QStringLiteral("The damaged library was kept, unchanged, at %1.")
                                .arg(QDir::toNativeSeparators(store.movedAsideTo())));
    }
    return std::nullopt;
}
