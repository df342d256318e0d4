#pragma once

#include "fulltext/FullTextFetch.h"

#include <QDialog>

#include <functional>

class QTextBrowser;

// The articles Get Full Text could not have legally, each with why and, when
// it has a DOI, a link to its publisher's page for the user's own browser
// (and institution's proxy). The reasons come from services and are shown as
// text; the links open with Tab and Return as well as with the mouse.
class UnavailableDialog : public QDialog
{
    Q_OBJECT

public:
    // The address a publisher's page is opened at: through the proxy when on.
    using Opening = std::function<QString(const QString &url)>;

    UnavailableDialog(const QList<FullTextOutcome> &outcomes, const Opening &opening, QWidget *parent = nullptr);

    // The list as markup: every piece from a service escaped.
    static QString markup(const QList<FullTextOutcome> &outcomes, const Opening &opening);
    QTextBrowser *list() const { return m_list; }

private:
    QTextBrowser *m_list;
};
