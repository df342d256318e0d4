#pragma once

#include "gui/mainwindow/AppServices.h"
#include "gui/review/ReviewWorkspace.h"
#include "entrez/EutilsRequest.h"
#include "review/KeptTextSource.h"

#include <QObject>
#include <QPointer>

namespace Ui {
class MainWindow;
}

class QMainWindow;
class ReviewsPanel;

// Wires the reviews into the window: File > New Review…, the Reviews dock
// beside Collections, and a tab of the window for each review opened.
// Without a library its commands are disabled.
class ReviewActions : public QObject
{
    Q_OBJECT

public:
    // Shows `page` in a tab of the window, adding it when it is new.
    using PageShower = std::function<void(QWidget *page, const QString &title)>;
    ReviewActions(const AppServices &services, QMainWindow &window, Ui::MainWindow &ui,
                  ReviewWorkspace::SearchProvider currentSearch, std::function<EutilsIdentity()> identity,
                  PageShower showPage, QObject *parent);

    // Where the full-text stage reads the text the library keeps.
    void setKeptTextSource(KeptTextSource source) { m_fullText = std::move(source); }
    ReviewsPanel *panel() const { return m_panel; }
    // Opens (or brings forward) the review's tab.
    ReviewWorkspace *open(const QString &name);
    void newReview();
    // Makes a review again from the file a colleague shared.
    void importShared();

private:
    void showReviews();
    void warn(const QString &message);

    AppServices m_services;
    QMainWindow &m_window;
    ReviewWorkspace::SearchProvider m_currentSearch;
    std::function<EutilsIdentity()> m_identity;
    PageShower m_showPage;
    KeptTextSource m_fullText = noFullText();
    ReviewsPanel *m_panel;
    QHash<QString, QPointer<ReviewWorkspace>> m_open;
};
