#pragma once

// The application's own version, compared as text with the published one.
inline constexpr char kAppVersion[] = "10";
