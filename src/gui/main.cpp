#include "gui/widgets/AlertPresenter.h"
#include "gui/mainwindow/AppController.h"
#include "gui/collections/LibraryNotice.h"
#include "gui/widgets/UrlOpener.h"
#include "entrez/Reachability.h"
#include "preferences/PreferenceStore.h"

#include <QApplication>
#include <QMainWindow>
#include <QIcon>

// A build made for a system package leaves updates to the package manager.
#ifdef VEXMOOR_UPDATES_BY_PACKAGE_MANAGER
constexpr UpdateSource kUpdateSource = UpdateSource::PackageManager;
#else
constexpr UpdateSource kUpdateSource = UpdateSource::VersionPage;
#endif

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Vexmoor"));
    QApplication::setApplicationName(QStringLiteral("Vexmoor"));
    QApplication::setApplicationDisplayName(QStringLiteral("Vexmoor"));
    QApplication::setDesktopFileName(QStringLiteral("org.vexmoor.Vexmoor"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/vexmoor.png")));

    PreferenceStore &preferences = PreferenceStore::standard();
    registerDefaultPreferences(preferences, kUpdateSource);

    SystemReachability reachability;
    MessageBoxAlertPresenter alerts;
    DesktopUrlOpener urlOpener;
    AppServices services{.preferences = &preferences,
                               .endpoints = Endpoints(), // the real services
                               .reachability = &reachability,
                               .alerts = &alerts,
                               .urlOpener = &urlOpener,
                               .updateSource = kUpdateSource};

    LibraryStore library(LibraryStore::defaultPath());
    const std::optional<Alert> libraryAlert = LibraryNotice::alertFor(library, library.open());
    services.library = library.isOpen() ? &library : nullptr;

    AppController controller(services);
    controller.awakeFromNib();
    LibraryNotice::showWhenUp(libraryAlert, alerts, controller.window());
    return app.exec();
}
