#include "cli/CliLibrary.h"

#include "cli/CliSearch.h"

#include "library/LibraryMessages.h"
#include "library/LibraryStore.h"

std::optional<int> openCliLibrary(LibraryStore &store)
{
    switch (store.open()) {
    case LibraryStore::OpenState::Opened:
        if (store.movedAsideTo().isEmpty())
            return std::nullopt;
        // Said and stopped, so that no one mistakes the new, empty library for theirs.
        reportFailure(LibraryMessages::damagedLibrary(store.path(), store.movedAsideTo()));
        return kLibraryUnusable;
    case LibraryStore::OpenState::NewerSchema:
        reportFailure(LibraryMessages::newerLibrary(store.path()));
        return kLibraryUnusable;
    case LibraryStore::OpenState::Failed:
        break;
    }
    reportFailure(store.error());
    return kLibraryUnusable;
}
