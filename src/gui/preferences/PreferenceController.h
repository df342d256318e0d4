#pragma once

#include "preferences/PreferenceStore.h"

#include <QObject>

#include <memory>

class EzproxyHelpDialog;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QWidget;

namespace Ui {
class Preferences;
}

// Runs the Preferences window. It keeps no copy of any value: the controls are
// filled from the store when the window loads, checkboxes store their state
// when clicked, and the text fields store theirs on Return and, all together,
// when the window closes. The API key and the contact address are written
// only when they differ from what the store holds, so a user who never
// touches them has none stored.
class PreferenceController : public QObject
{
    Q_OBJECT

public:
    explicit PreferenceController(PreferenceStore &store, QObject *parent = nullptr);
    ~PreferenceController() override;

    // Loads the window the first time, then brings it forward.
    void showWindow();
    // Whether the window offers the update check at launch (not where the
    // system's package manager brings updates). Set before the window shows.
    void setUpdateCheckOffered(bool offered) { m_updateCheckOffered = offered; }
    // The window, or nullptr before it was first shown.
    QWidget *window() const { return m_window.get(); }

    bool useProxy() const;
    bool checkUpdatesOnStartup() const;
    QString proxyURL() const;
    int thisMany() const;
    int urlWarningNumber() const;
    CitationStyle citationStyle() const;
    QString apiKey() const;
    QString contactEmail() const;

signals:
    // The stored citation style, whether citation counts show, or where they
    // come from changed: what shows them draws anew.
    void displayChanged();

public slots:
    void changeUseProxy();
    void ChangeCheckUpdatesOnStartup();
    void changeProxyURL();
    void changeThisMany();
    void changeUrlWarningNumber();
    void launchEZProxyHelp();
    void changeCitationStyle();
    void changeShowCitationCounts();
    void changeApiKey();
    void changeContactEmail();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void windowDidLoad();
    bool windowShouldClose();
    // Stores the batch size typed, bounded, and shows the bounded value when it differs.
    void storeThisMany();
    void showProxyTemplateProblem();
    // Stores the field's trimmed text under `key` when it differs from the stored value.
    void storeChangedText(const QString &key, const QLineEdit *field);

    PreferenceStore &m_store;
    bool m_updateCheckOffered = true;
    std::unique_ptr<QWidget> m_window;
    std::unique_ptr<Ui::Preferences> m_ui;
    EzproxyHelpDialog *m_ezProxyHelp = nullptr; // a child of the window, made on first use

    // Outlets.
    QCheckBox *useProxyCheckBox = nullptr;
    QLineEdit *proxyURLNSTextField = nullptr;
    QLabel *proxyURLLabel = nullptr;
    QLabel *proxyURLProblemLabel = nullptr;
    QLineEdit *thisManyNSTextField = nullptr;
    QLineEdit *urlWarningNumberNSTextField = nullptr;
    QCheckBox *checkUpdatesOnStartupNSButton = nullptr;
    QCheckBox *showCitationCountsCheckBox = nullptr;
    QComboBox *citationStyleComboBox = nullptr;
    QLineEdit *apiKeyNSTextField = nullptr;
    QLineEdit *contactEmailNSTextField = nullptr;
};
