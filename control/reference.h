// The control's reference in Markdown, made from the interface table (docs/control.md carries it
// between two marker lines; a test keeps the file in step with the table).
#pragma once

#include <string>

namespace keloscroll {

inline constexpr const char* kReferenceBegin =
    "<!-- reference: generated from the interface table -->";
inline constexpr const char* kReferenceEnd = "<!-- end of reference -->";

std::string referenceMarkdown();

}  // namespace keloscroll
