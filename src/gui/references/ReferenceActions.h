#pragma once

#include "common/Endpoints.h"
#include "entrez/EutilsRequest.h"

#include <QObject>
#include <QPointer>

#include <functional>

class QAction;
class QLineEdit;
class QMenu;
class QWidget;
class ReferenceListDialog;
class ReferenceMatcher;
struct ReferenceMatching;

// File > Find Articles from References…, and Ctrl+Shift+V in the search
// field when the clipboard holds a reference list: the dialog of the
// references, the matching it asks for, and the tab of the articles found,
// in the order of the list, each saying which reference it is.
class ReferenceActions : public QObject
{
    Q_OBJECT

public:
    struct Hooks
    {
        // Online, or else the user has been told.
        std::function<bool()> ensureOnline;
        std::function<EutilsIdentity()> identity;
        // Opens a new tab of the articles of `pmids`, each found as its reference.
        std::function<void(const QString &title, const QStringList &pmids, const QStringList &references)> openList;
    };

    ReferenceActions(const Endpoints &endpoints, QWidget &window, QMenu &fileMenu, QLineEdit &searchField, Hooks hooks);
    ~ReferenceActions() override;

    QAction *action() const { return m_action; }
    // Opens the dialog; with text, that list in it, matched at once.
    void openDialog(const QString &text = {});
    // Two references or more: what Ctrl+Shift+V in the search field takes as a list.
    static bool isReferenceList(const QString &text);

private:
    void find(const QString &text);
    void open(const ReferenceMatching &matching);

    Endpoints m_endpoints;
    QWidget &m_window;
    Hooks m_hooks;
    QAction *m_action = nullptr;
    QPointer<ReferenceListDialog> m_dialog;
    ReferenceMatcher *m_matcher = nullptr;
};
