#pragma once

#include "gui/widgets/AlertPresenter.h"
#include "library/LibraryStore.h"

#include <optional>

class QWidget;

// What the window tells the user about the library it opened at start-up:
// why it works without it, or where a damaged file was put.
class LibraryNotice
{
public:
    // What to tell after an open() that ended in `state`; none when all is well.
    static std::optional<Alert> alertFor(const LibraryStore &store, LibraryStore::OpenState state);
    // Shows `alert` once the event loop runs, so that start-up is never held by it.
    static void showWhenUp(const std::optional<Alert> &alert, AlertPresenter &alerts, QWidget *window);
};
