#pragma once

#include <optional>

class LibraryStore;

// The exit status of a command that could not use the library: newer than
// this build, damaged (and moved aside), or not to be opened.
inline constexpr int kLibraryUnusable = 3;

// Opens the user's library (LibraryStore::defaultPath()) for a command; when
// it cannot be used, says why on standard error (where a damaged file went)
// and gives kLibraryUnusable. A newer file is never touched.
std::optional<int> openCliLibrary(LibraryStore &store);
