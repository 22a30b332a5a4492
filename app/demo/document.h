// The text the demo's viewer browses: its lines in memory, and the UTF-8 helpers that cut them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace keloscroll::demo {

struct TextDocument {
  std::string path;                // as given
  std::vector<std::string> lines;  // UTF-8, tabs expanded, no line ends
  int32_t longestLine = 0;         // in characters
};

// A text the viewer takes: each line is kept in memory several times over (expanded, measured).
inline constexpr size_t kMaxDocumentBytes = size_t{64} << 20;

// Reads a text file: a regular file of at most kMaxDocumentBytes. Throws std::runtime_error
// naming the file ("cannot read PATH: ...", "PATH is larger than 64 MiB") when it cannot.
TextDocument loadDocument(const std::string& path);
// The text from its lines (tabs expanded to the next multiple of 4).
TextDocument makeDocument(std::string path, std::string_view text);

// UTF-8 helpers: the number of characters; the line from character `column` on (1 = the whole
// line); the first words, whole, up to about `maxChars` characters ("..." when cut).
int32_t characterCount(std::string_view s);
std::string fromColumn(std::string_view line, int32_t column);
std::string firstWords(std::string_view line, int32_t maxChars = 32);

}  // namespace keloscroll::demo
