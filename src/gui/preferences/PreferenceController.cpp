#include "PreferenceController.h"
#include "gui/preferences/EzproxyHelpDialog.h"

#include "ui_Preferences.h"

#include "citations/ProxyLink.h"
#include "common/IntValue.h"
#include "common/SystemLog.h"

#include <QCloseEvent>
#include <QLayout>
#include <QShortcut>

PreferenceController::PreferenceController(PreferenceStore &store, QObject *parent)
    : QObject(parent), m_store(store)
{
}

PreferenceController::~PreferenceController() = default;

void PreferenceController::showWindow()
{
    if (!m_window) {
        m_window = std::make_unique<QWidget>(nullptr, Qt::Window);
        m_ui = std::make_unique<Ui::Preferences>();
        m_ui->setupUi(m_window.get());
        useProxyCheckBox = m_ui->useProxyCheckBox;
        proxyURLNSTextField = m_ui->proxyURLNSTextField;
        proxyURLLabel = m_ui->proxyURLLabel;
        proxyURLProblemLabel = m_ui->proxyURLProblemLabel;
        thisManyNSTextField = m_ui->thisManyNSTextField;
        urlWarningNumberNSTextField = m_ui->urlWarningNumberNSTextField;
        checkUpdatesOnStartupNSButton = m_ui->checkUpdatesOnStartupNSButton;
        citationStyleComboBox = m_ui->citationStyleComboBox;
        showCitationCountsCheckBox = m_ui->showCitationCountsCheckBox;
        apiKeyNSTextField = m_ui->apiKeyNSTextField;
        contactEmailNSTextField = m_ui->contactEmailNSTextField;
        for (const CitationStyle style : CitationStyles::all())
            citationStyleComboBox->addItem(CitationStyles::name(style));
        for (const CitationSource source : CitationSources::all())
            m_ui->citationSourceComboBox->addItem(CitationSources::title(source), CitationSources::name(source));

        connect(useProxyCheckBox, &QCheckBox::clicked, this, &PreferenceController::changeUseProxy);
        connect(checkUpdatesOnStartupNSButton, &QCheckBox::clicked, this,
                &PreferenceController::ChangeCheckUpdatesOnStartup);
        connect(m_ui->checkSavedSearchesAtLaunchButton, &QCheckBox::clicked, this,
                [this](bool checked) { m_store.setBool(PreferenceKeys::CheckSavedSearchesAtLaunch, checked); });
        connect(proxyURLNSTextField, &QLineEdit::returnPressed, this, &PreferenceController::changeProxyURL);
        connect(proxyURLNSTextField, &QLineEdit::textChanged, this, &PreferenceController::showProxyTemplateProblem);
        connect(thisManyNSTextField, &QLineEdit::returnPressed, this, &PreferenceController::changeThisMany);
        connect(urlWarningNumberNSTextField, &QLineEdit::returnPressed, this,
                &PreferenceController::changeUrlWarningNumber);
        connect(citationStyleComboBox, &QComboBox::activated, this, &PreferenceController::changeCitationStyle);
        connect(showCitationCountsCheckBox, &QCheckBox::clicked, this, &PreferenceController::changeShowCitationCounts);
        connect(m_ui->citationSourceComboBox, &QComboBox::activated, this, [this] {
            m_store.setObject(PreferenceKeys::CitationSource, m_ui->citationSourceComboBox->currentData());
            emit displayChanged();
        });
        // Who asks counts from the next request on, as soon as it is typed.
        connect(apiKeyNSTextField, &QLineEdit::textChanged, this, &PreferenceController::changeApiKey);
        connect(contactEmailNSTextField, &QLineEdit::textChanged, this, &PreferenceController::changeContactEmail);
        connect(m_ui->screenerNameField, &QLineEdit::textChanged, this,
                [this] { storeChangedText(PreferenceKeys::ScreenerName, m_ui->screenerNameField); });
        connect(m_ui->ezProxyHelpButton, &QPushButton::clicked, this, &PreferenceController::launchEZProxyHelp);
        // Escape and the platform's close shortcut close the window like its close button.
        for (const QKeySequence &key : {QKeySequence(Qt::Key_Escape), QKeySequence(QKeySequence::Close)}) {
            auto *shortcut = new QShortcut(key, m_window.get());
            connect(shortcut, &QShortcut::activated, m_window.get(), &QWidget::close);
        }
        m_window->installEventFilter(this);
        windowDidLoad();
    }
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void PreferenceController::windowDidLoad()
{
    useProxyCheckBox->setChecked(useProxy());
    proxyURLNSTextField->setText(proxyURL());
    proxyURLLabel->setEnabled(useProxy());
    proxyURLNSTextField->setEnabled(useProxy());
    showProxyTemplateProblem();
    thisManyNSTextField->setText(QString::number(thisMany()));
    urlWarningNumberNSTextField->setText(QString::number(urlWarningNumber()));
    checkUpdatesOnStartupNSButton->setChecked(checkUpdatesOnStartup());
    checkUpdatesOnStartupNSButton->setVisible(m_updateCheckOffered);
    m_ui->checkSavedSearchesAtLaunchButton->setChecked(m_store.boolean(PreferenceKeys::CheckSavedSearchesAtLaunch));
    citationStyleComboBox->setCurrentIndex(int(CitationStyles::all().indexOf(citationStyle())));
    showCitationCountsCheckBox->setChecked(AppPreferences(m_store).showCitationCounts());
    m_ui->citationSourceComboBox->setCurrentIndex(
        int(CitationSources::all().indexOf(AppPreferences(m_store).citationSource())));
    apiKeyNSTextField->setText(apiKey());
    contactEmailNSTextField->setText(contactEmail());
    m_ui->screenerNameField->setText(m_store.string(PreferenceKeys::ScreenerName));
}

bool PreferenceController::windowShouldClose()
{
    // Stored only when edited: the placeholder shown is no address of the user's.
    storeChangedText(PreferenceKeys::ProxyURL, proxyURLNSTextField);
    storeThisMany();
    m_store.setObject(PreferenceKeys::UrlWarningNumber, intValue(urlWarningNumberNSTextField->text()));
    storeChangedText(PreferenceKeys::ApiKey, apiKeyNSTextField);
    storeChangedText(PreferenceKeys::ContactEmail, contactEmailNSTextField);
    return true;
}

bool PreferenceController::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window.get() && event->type() == QEvent::Close) {
        if (windowShouldClose())
            event->accept();
        else
            event->ignore();
        return !event->isAccepted();
    }
    return QObject::eventFilter(watched, event);
}

bool PreferenceController::useProxy() const
{
    return m_store.boolean(PreferenceKeys::UseProxy);
}

bool PreferenceController::checkUpdatesOnStartup() const
{
    return m_store.boolean(PreferenceKeys::UpdateCheckOnStart);
}

QString PreferenceController::proxyURL() const
{
    return m_store.string(PreferenceKeys::ProxyURL);
}

int PreferenceController::thisMany() const
{
    return boundedBatchSize(m_store.integer(PreferenceKeys::ThisMany));
}

int PreferenceController::urlWarningNumber() const
{
    return m_store.integer(PreferenceKeys::UrlWarningNumber);
}

void PreferenceController::changeUseProxy()
{
    m_store.setBool(PreferenceKeys::UseProxy, useProxyCheckBox->isChecked());
    proxyURLLabel->setEnabled(useProxy());
    proxyURLNSTextField->setEnabled(useProxy());
    showProxyTemplateProblem();
}

void PreferenceController::ChangeCheckUpdatesOnStartup()
{
    m_store.setBool(PreferenceKeys::UpdateCheckOnStart, checkUpdatesOnStartupNSButton->isChecked());
}

void PreferenceController::changeProxyURL()
{
    systemLog(QStringLiteral("\n*****changed Proxy URL\n"));
    m_store.setObject(PreferenceKeys::ProxyURL, proxyURLNSTextField->text());
}

void PreferenceController::changeThisMany()
{
    storeThisMany();
}

void PreferenceController::storeThisMany()
{
    const int typed = intValue(thisManyNSTextField->text());
    const int bounded = boundedBatchSize(typed);
    m_store.setObject(PreferenceKeys::ThisMany, bounded);
    if (bounded != typed)
        thisManyNSTextField->setText(QString::number(bounded));
}

void PreferenceController::showProxyTemplateProblem()
{
    // Only said while the proxy is in use; the label is plain text.
    const QString problem = useProxy() ? proxyTemplateProblem(proxyURLNSTextField->text()) : QString();
    proxyURLProblemLabel->setText(problem);
    proxyURLProblemLabel->setHidden(problem.isEmpty());
    // The window grows to show the whole message; wrapped text does not ask for it.
    m_window->layout()->activate();
    if (const int needed = m_window->heightForWidth(m_window->width()); needed > m_window->height())
        m_window->resize(m_window->width(), needed);
}

void PreferenceController::changeUrlWarningNumber()
{
    m_store.setObject(PreferenceKeys::UrlWarningNumber, intValue(urlWarningNumberNSTextField->text()));
}

void PreferenceController::launchEZProxyHelp()
{
    if (!m_ezProxyHelp)
        m_ezProxyHelp = new EzproxyHelpDialog(m_window.get());
    m_ezProxyHelp->show();
    m_ezProxyHelp->raise();
    m_ezProxyHelp->activateWindow();
}

CitationStyle PreferenceController::citationStyle() const
{
    return AppPreferences(m_store).citationStyle();
}

void PreferenceController::changeCitationStyle()
{
    m_store.setObject(PreferenceKeys::CitationStyle, citationStyleComboBox->currentText());
    emit displayChanged();
}

void PreferenceController::changeShowCitationCounts()
{
    m_store.setBool(PreferenceKeys::ShowCitationCounts, showCitationCountsCheckBox->isChecked());
    emit displayChanged();
}

QString PreferenceController::apiKey() const
{
    return m_store.string(PreferenceKeys::ApiKey);
}

QString PreferenceController::contactEmail() const
{
    return m_store.string(PreferenceKeys::ContactEmail);
}

// Neither is logged: the key is the user's secret.
void PreferenceController::changeApiKey()
{
    storeChangedText(PreferenceKeys::ApiKey, apiKeyNSTextField);
}

void PreferenceController::changeContactEmail()
{
    storeChangedText(PreferenceKeys::ContactEmail, contactEmailNSTextField);
}

void PreferenceController::storeChangedText(const QString &key, const QLineEdit *field)
{
    const QString text = field->text().trimmed();
    if (text != m_store.string(key))
        m_store.setObject(key, text);
}
