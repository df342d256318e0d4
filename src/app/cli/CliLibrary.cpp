#include "CliLibrary.h"

#include "CliSearch.h"

#include "library/LibraryStore.h"

std::optional<int> openCliLibrary(LibraryStore &store)
{
    switch (store.open()) {
    case LibraryStore::OpenState::Opened:
        if (store.movedAsideTo().isEmpty())
            return std::nullopt;
        // Said and stopped, so that no one mistakes the new, empty library for theirs.
        reportFailure(QStringLiteral("the library %1 was damaged: it was moved to %2 and an empty one was started")
                          .arg(store.path(), store.movedAsideTo()));
        return kLibraryUnusable;
    case LibraryStore::OpenState::NewerSchema:
        reportFailure(QStringLiteral("the library %1 was written by a newer Vexmoor; it is left as it is").arg(store.path()));
        return kLibraryUnusable;
    case LibraryStore::OpenState::Failed:
        break;
    }
    reportFailure(store.error());
    return kLibraryUnusable;
}
