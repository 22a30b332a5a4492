// Saving a file so that nothing is lost: the new contents go to a fresh file beside the old one,
// which then takes the old one's place in one rename. A reader (or a crash) sees the old file or
// the new one, never a part of either.
#pragma once

#include <filesystem>
#include <string_view>
#include <system_error>

namespace keloscroll::host {

// Writes `contents` as the file at `path`. The temporary file has a unique name in the same
// folder, is made exclusively (never through a link an attacker left there), is flushed to the
// disk, takes the mode of the file it replaces (a new file the usual mode less the umask), and is
// renamed over it; a link at `path` keeps pointing at the replaced file. On failure the old file
// is as it was, no temporary file stays, and the error is returned.
std::error_code replaceFile(const std::filesystem::path& path, std::string_view contents);

}  // namespace keloscroll::host
