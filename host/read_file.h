// Reading a whole file that came from outside: only a regular file, and only up to a limit, so
// that a device, a pipe or a huge file is refused at once instead of read for ever.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace keloscroll::host {

struct ReadError {
  std::error_code code;  // errno of open or read; is_a_directory, invalid_argument (no regular
                         // file), file_too_large
  std::string message;   // a sentence naming the file
  explicit operator bool() const { return static_cast<bool>(code); }
};

// Reads the file at `path` into `out` when it is a regular file of at most `maxBytes`; else
// returns what is wrong and leaves `out` empty.
ReadError readWholeFile(const std::filesystem::path& path, size_t maxBytes, std::string& out);

// "16 MiB", "64 KiB" or "100 bytes": a limit as messages give it.
std::string byteCount(size_t n);

// Whether JSON text nests arrays and objects more than `limit` deep (strings are skipped). Parsed
// into a tree, each level costs a node: refusing deep text first keeps a small file from taking
// a great deal of memory.
bool jsonNestsDeeperThan(std::string_view text, int limit);

}  // namespace keloscroll::host
