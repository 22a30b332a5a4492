#include "app/demo/document.h"

#include <algorithm>
#include <stdexcept>

#include "host/read_file.h"

namespace keloscroll::demo {

namespace {

bool isContinuation(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The byte offset of character `n` (0-based) of s, or s.size() when s is shorter.
size_t offsetOfCharacter(std::string_view s, int32_t n) {
  size_t i = 0;
  for (int32_t k = 0; k < n && i < s.size(); ++k) {
    ++i;
    while (i < s.size() && isContinuation(s[i])) ++i;
  }
  return i;
}

std::string expandTabs(std::string_view line) {
  std::string out;
  int32_t column = 0;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (c == '\t') {
      do {
        out += ' ';
        ++column;
      } while (column % 4 != 0);
      continue;
    }
    out += c;
    if (!isContinuation(c)) ++column;
  }
  return out;
}

}  // namespace

int32_t characterCount(std::string_view s) {
  int32_t n = 0;
  for (char c : s) n += isContinuation(c) ? 0 : 1;
  return n;
}

std::string fromColumn(std::string_view line, int32_t column) {
  if (column <= 1) return std::string(line);
  return std::string(line.substr(offsetOfCharacter(line, column - 1)));
}

std::string firstWords(std::string_view line, int32_t maxChars) {
  size_t start = line.find_first_not_of(' ');
  if (start == std::string_view::npos) return "";
  std::string_view rest = line.substr(start);
  if (characterCount(rest) <= maxChars) return std::string(rest);
  // Whole words while they fit; a first word longer than the room is cut.
  size_t cut = 0;
  for (size_t i = 0; i <= rest.size(); ++i) {
    if (i == rest.size() || rest[i] == ' ') {
      if (characterCount(rest.substr(0, i)) > maxChars) break;
      cut = i;
    }
  }
  if (cut == 0) cut = offsetOfCharacter(rest, maxChars);
  std::string out(rest.substr(0, cut));
  while (!out.empty() &&
         (out.back() == ' ' || out.back() == ',' || out.back() == ';' || out.back() == ':')) {
    out.pop_back();
  }
  return out + "...";
}

TextDocument makeDocument(std::string path, std::string_view text) {
  TextDocument doc;
  doc.path = std::move(path);
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    doc.lines.push_back(expandTabs(line));
    doc.longestLine = std::max(doc.longestLine, characterCount(doc.lines.back()));
    pos = end + 1;
  }
  if (doc.lines.empty()) doc.lines.emplace_back();
  return doc;
}

TextDocument loadDocument(const std::string& path) {
  std::string text;
  if (host::ReadError e = host::readWholeFile(path, kMaxDocumentBytes, text)) {
    throw std::runtime_error(e.message);
  }
  return makeDocument(path, text);
}

}  // namespace keloscroll::demo
