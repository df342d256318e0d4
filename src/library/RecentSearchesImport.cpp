#include "library/RecentSearchesImport.h"

#include "library/LibraryStore.h"
#include "preferences/RecentSearches.h"

#include <QSettings>

namespace {
// Set once the recent queries are in the history.
const QString kImportedKey = QStringLiteral("recentSearchesInHistory");
} // namespace

bool importRecentSearches(LibraryStore &store, QSettings &settings)
{
    if (settings.value(kImportedKey).toBool())
        return true;
    if (!store.importQueries(RecentSearches::load(settings).queries()))
        return false;
    settings.setValue(kImportedKey, true);
    return true;
}
