#pragma once

#include "search/QueryBuilder.h"

#include <QObject>

class MeshBrowserPanel;
class MeshLookup;
class QAction;
class QMainWindow;
struct SessionSettings;

namespace Ui {
class MainWindow;
}

// View > MeSH Browser: the dock and the look-ups it asks for, kept for the
// session. A heading added with AND, OR or NOT is passed on (clauseChosen)
// for the search field.
class MeshBrowserActions : public QObject
{
    Q_OBJECT

public:
    MeshBrowserActions(const SessionSettings &settings, Ui::MainWindow &ui, QMainWindow &window);

    MeshBrowserPanel *panel() const { return m_panel; }
    MeshLookup *lookup() const { return m_lookup; }

signals:
    void clauseChosen(const QString &clause, QueryBuilder::Operator op);

private:
    void showHeading(const QString &uid);

    MeshBrowserPanel *m_panel;
    MeshLookup *m_lookup;
};
