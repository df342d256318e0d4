#include "gui/review/ReviewActions.h"

#include "gui/review/NewReviewDialog.h"
#include "gui/review/ReviewTexts.h"
#include "gui/review/ReviewsPanel.h"
#include "gui/widgets/AlertPresenter.h"
#include "gui/widgets/DockMemory.h"
#include "library/LibraryStore.h"
#include "preferences/PreferenceStore.h"
#include "review/ReviewFile.h"
#include "review/ReviewStore.h"
#include "ui_MainWindow.h"

#include <QFile>
#include <QFileDialog>
#include <QMainWindow>

ReviewActions::ReviewActions(const AppServices &services, QMainWindow &window, Ui::MainWindow &ui,
                             ReviewWorkspace::SearchProvider currentSearch, std::function<EutilsIdentity()> identity,
                             PageShower showPage, QObject *parent)
    : QObject(parent)
    , m_services(services)
    , m_window(window)
    , m_currentSearch(std::move(currentSearch))
    , m_identity(std::move(identity))
    , m_showPage(std::move(showPage))
    , m_panel(new ReviewsPanel(&window))
{
    auto *action = new QAction(ReviewTexts::newReviewAction(), this);
    action->setObjectName(QStringLiteral("newReviewAction"));
    connect(action, &QAction::triggered, this, &ReviewActions::newReview);
    const QList<QAction *> fileActions = ui.fileMenu->actions();
    auto *shared = new QAction(ReviewTexts::importShared(), this);
    shared->setObjectName(QStringLiteral("importSharedReviewAction"));
    connect(shared, &QAction::triggered, this, &ReviewActions::importShared);
    ui.fileMenu->insertActions(fileActions.value(fileActions.indexOf(ui.closeTabAction) + 1), {action, shared});
    shared->setEnabled(m_services.library != nullptr);
    DockMemory::remember(window, *m_panel, *m_services.preferences->settings(), {});
    if (auto *collections = window.findChild<QDockWidget *>(QStringLiteral("collectionsPanel"));
        collections && window.dockWidgetArea(collections) == window.dockWidgetArea(m_panel) && !collections->isFloating())
        window.tabifyDockWidget(collections, m_panel);
    ui.viewMenu->addAction(m_panel->toggleViewAction());
    connect(m_panel, &ReviewsPanel::openRequested, this, &ReviewActions::open);
    action->setEnabled(m_services.library != nullptr);
    m_panel->setEnabled(m_services.library != nullptr);
    showReviews();
}

void ReviewActions::warn(const QString &message)
{
    Alert alert;
    alert.title = ReviewTexts::dockTitle();
    alert.message = message;
    alert.buttons = {QStringLiteral("OK")};
    m_services.alerts->run(alert, &m_window);
}

void ReviewActions::showReviews()
{
    if (!m_services.library)
        return;
    ReviewStore store(*m_services.library);
    QStringList names;
    for (const Review &review : store.reviews().value_or(QList<Review>()))
        names.append(review.name);
    m_panel->setReviews(names);
}

void ReviewActions::newReview()
{
    if (!m_services.library)
        return;
    NewReviewDialog dialog(&m_window);
    if (dialog.exec() != QDialog::Accepted)
        return;
    ReviewStore store(*m_services.library);
    const Review review = dialog.review();
    if (!store.createReview(review)) {
        warn(store.error());
        return;
    }
    showReviews();
    open(review.name);
}

void ReviewActions::importShared()
{
    if (!m_services.library)
        return;
    const QString path = QFileDialog::getOpenFileName(&m_window, ReviewTexts::importShared().remove(u'&'), {}, ReviewTexts::reviewFilter());
    QFile file(path);
    if (path.isEmpty())
        return;
    if (!file.open(QIODevice::ReadOnly))
        return warn(file.errorString());
    ReviewStore store(*m_services.library);
    QString error;
    const std::optional<qint64> id = ReviewFile::read(store, file.readAll(), error);
    if (!id)
        return warn(error);
    showReviews();
    for (const Review &review : store.reviews().value_or(QList<Review>()))
        if (review.id == *id)
            open(review.name);
}

ReviewWorkspace *ReviewActions::open(const QString &name)
{
    if (!m_services.library)
        return nullptr;
    if (ReviewWorkspace *shown = m_open.value(name)) {
        m_showPage(shown, shown->windowTitle());
        return shown;
    }
    ReviewStore store(*m_services.library);
    const std::optional<Review> review = store.review(name);
    if (!review) {
        warn(store.error());
        return nullptr;
    }
    const AppPreferences preferences(*m_services.preferences);
    auto *workspace = new ReviewWorkspace(*m_services.library, *review,
                                          screenerName(preferences.screenerName(), preferences.contactEmail()), m_fullText,
                                          m_currentSearch, &m_window);
    workspace->setPubmed(m_services.endpoints, m_identity());
    m_open.insert(name, workspace);
    m_showPage(workspace, workspace->windowTitle());
    return workspace;
}
