#pragma once

// Where new versions of the application come from. The stand-alone build asks
// the project's version page and offers the download; a copy installed by a
// system package leaves updates to the system's package manager, so it never
// fetches the page and never offers an installer.
enum class UpdateSource { VersionPage, PackageManager };
