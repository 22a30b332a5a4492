// Text measurement shared by every backend: line splitting and the UTF-8 clean-up. The font
// metrics themselves come from the platform's backend (text_cairo.cpp, win/text_gdi.cpp).
#include "host/text.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace keloscroll::host::text {

namespace {

template <class F>
void forEachLine(std::string_view text, F&& f) {
  size_t start = 0;
  for (;;) {
    size_t end = text.find('\n', start);
    std::string_view line =
        text.substr(start, end == std::string_view::npos ? text.npos : end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    f(line);
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
}

}  // namespace

std::string validUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    auto c = static_cast<unsigned char>(s[i]);
    size_t len = c < 0x80           ? 1
                 : (c >> 5) == 0x6  ? 2
                 : (c >> 4) == 0xE  ? 3
                 : (c >> 3) == 0x1E ? 4
                                    : 0;
    bool ok = len != 0 && i + len <= s.size();
    uint32_t cp = len == 1 ? c : len == 2 ? (c & 0x1Fu) : len == 3 ? (c & 0x0Fu) : (c & 0x07u);
    for (size_t k = 1; ok && k < len; ++k) {
      auto cc = static_cast<unsigned char>(s[i + k]);
      ok = (cc & 0xC0) == 0x80;
      cp = (cp << 6) | (cc & 0x3Fu);
    }
    // No overlong forms, surrogates or values past U+10FFFF.
    if (ok) {
      ok = !(len == 2 && cp < 0x80) && !(len == 3 && cp < 0x800) && !(len == 4 && cp < 0x10000) &&
           !(cp >= 0xD800 && cp <= 0xDFFF) && cp <= 0x10FFFF && cp != 0;
    }
    if (ok) {
      out.append(s.substr(i, len));
      i += len;
    } else {
      out.append("\xEF\xBF\xBD");
      ++i;
    }
  }
  return out;
}

double widthTwips(std::string_view text, double pointSize, bool bold, Dpi dpi) {
  double widest = 0.0;
  forEachLine(text, [&](std::string_view line) {
    if (!line.empty()) widest = std::max(widest, lineWidthPixels(line, pointSize, bold, dpi));
  });
  return twipsOf(widest, dpi);
}

double heightTwips(std::string_view text, double pointSize, bool bold, Dpi dpi) {
  int lines = 0;
  forEachLine(text, [&](std::string_view) { ++lines; });
  return lines * lineHeightTwips(pointSize, bold, dpi);
}

double lineHeightTwips(double pointSize, bool bold, Dpi dpi) {
  return twipsOf(lineHeightPixels(pointSize, bold, dpi), dpi);
}

}  // namespace keloscroll::host::text
