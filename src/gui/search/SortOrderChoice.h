#pragma once

#include "preferences/PreferenceStore.h"

#include <QObject>

class QComboBox;

// The "Sort by" box beside the search field: offers every order, shows the
// remembered one, and remembers a new choice at once, so that the next search
// (and the next start of the application) asks for it. A running search keeps
// the order it started with.
class SortOrderChoice : public QObject
{
    Q_OBJECT

public:
    SortOrderChoice(QComboBox &box, PreferenceStore &store, QObject *parent = nullptr);

private:
    AppPreferences m_preferences;
};
