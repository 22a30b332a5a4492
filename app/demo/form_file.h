// The demo's saved forms, as JSON. The viewer's: the file it shows, the window's size, and each
// bar's property bag. The designer's: each bar's name, place and property bag, in the order the
// bars were placed. Bag values keep their types ({"type": "Long", "value": 120}); pictures
// (object values) are not stored, so a loaded bar keeps the built-in pictures it starts with.
#pragma once

#include <nlohmann/json_fwd.hpp>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "host/container.h"
#include "host/units.h"

namespace keloscroll::demo {

struct SavedForm {
  std::string file;  // the text file shown
  int width = 0;     // client size of the window, pixels
  int height = 0;
  std::vector<std::pair<std::string, host::PropertyBag>> controls;  // control name, its bag

  const host::PropertyBag* bag(std::string_view name) const;
};

// A form file that cannot be read, is no JSON, or holds something of the wrong shape or type.
class FormFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr const char* kFormFormat = "keloscroll-demo-form";
inline constexpr int kFormVersion = 1;
// What a form or design file may be: a bar's bag takes well under a KiB (a bag of 200,000 keys
// about 16 MiB), and the JSON nests five deep. A larger or deeper file is refused unparsed.
inline constexpr size_t kMaxFormFileBytes = size_t{32} << 20;
inline constexpr int kMaxFormNesting = 32;
// Window sizes a form file may ask for, in pixels.
inline constexpr int kMinSide = 320, kMaxSide = 4096;

nlohmann::json toJson(const SavedForm& form);
// Checks everything before it returns: the format tag and version, the file name, the size, and
// every bag entry's type and value. Throws FormFileError naming the first thing that is wrong.
SavedForm fromJson(const nlohmann::json& j);

// Writes the file (error: FormFileError) and reads it back.
void writeFormFile(const std::string& path, const SavedForm& form);
SavedForm readFormFile(const std::string& path);

// ---- the designer's form --------------------------------------------------------------------

struct DesignedControl {
  std::string name;       // a name as a form's controls have: a letter, then letters, digits, _
  host::TwipsRect place;  // on the design surface, whole twips
  host::PropertyBag bag;
};
// Same names, places and bag entries (types and values; pictures by identity).
bool operator==(const DesignedControl& a, const DesignedControl& b);

struct DesignedForm {
  std::vector<DesignedControl> controls;  // back to front
  bool operator==(const DesignedForm&) const = default;
};

inline constexpr const char* kDesignFormat = "keloscroll-demo-design";
// Places a design file may hold, in twips: inside the largest window.
inline constexpr int32_t kMaxDesignTwips =
    static_cast<int32_t>(kMaxSide * host::twipsPerPixel(host::kClassicDpi));

nlohmann::json toJson(const DesignedForm& form);
// Checks everything before it returns, as fromJson does, and also that the names are names and
// differ (without regard to case) and that each place lies within 0 to kMaxDesignTwips.
DesignedForm designFromJson(const nlohmann::json& j);
void writeDesignFile(const std::string& path, const DesignedForm& form);
DesignedForm readDesignFile(const std::string& path);

}  // namespace keloscroll::demo
