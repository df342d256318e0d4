#pragma once

class LibraryStore;
class QSettings;

// The queries the settings kept before the history existed move into the
// history once: the settings remember that they did, so a second start
// adds nothing. False, with the store's error(), when the store failed; the
// next start tries again.
bool importRecentSearches(LibraryStore &store, QSettings &settings);
