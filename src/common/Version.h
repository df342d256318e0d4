#pragma once

// The application's own version, compared as text with the published one. The
// one place it is written: CMake reads it from here for the project and the package.
inline constexpr char kAppVersion[] = "10";
