// docs/control.md carries the reference made from the interface table. Run with
// KELO_UPDATE_DOCS=1 to write the table's current reference into the file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "control/reference.h"
#include "tests/scratch_dir.h"

namespace keloscroll {
namespace {

TEST(Reference, DocsCarryTheReferenceOfTheInterfaceTable) {
  const std::string path = std::string(KELO_SOURCE_DIR) + "/docs/control.md";
  std::string doc = testing::readFile(path);
  std::string generated = referenceMarkdown();

  size_t begin = doc.find(kReferenceBegin);
  size_t end = doc.find(kReferenceEnd);
  std::string current;
  if (begin != std::string::npos && end != std::string::npos) {
    size_t endLine = doc.find('\n', end);
    current = doc.substr(begin, (endLine == std::string::npos ? doc.size() : endLine + 1) - begin);
  }
  if (std::getenv("KELO_UPDATE_DOCS")) {
    if (current.empty()) {
      doc += "\n" + generated;
    } else {
      doc.replace(begin, current.size(), generated);
    }
    std::ofstream(path) << doc;
    return;
  }
  EXPECT_EQ(current, generated) << "docs/control.md is out of date: run control_test with "
                                   "KELO_UPDATE_DOCS=1";
  EXPECT_NE(generated.find("\"Valore su cui \xC3\xA9 posizionata la KeloScroll\""),
            std::string::npos);
  EXPECT_NE(generated.find("| 11 | `ShowAboutBox` (hidden) | method | — | -552 |"),
            std::string::npos);
}

}  // namespace
}  // namespace keloscroll
