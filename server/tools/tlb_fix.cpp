// keloscroll-tlbfix IN OUT NAME...: finishes the type library that widl compiled from
// KeloScroll.idl, in the two points widl cannot express:
// - the type descriptions come in the order NAME... (widl puts an event interface that a class
//   names right after that class, wherever the IDL defines it);
// - a plain dispatch interface is marked non-extensible (widl refuses the attribute there).
// The file is the platform's binary type-library format ("MSFT"); only type descriptions move,
// and every reference to one (its GUID and name entries, the reference and type-description
// tables) is renumbered with it. Built and run on the build machine.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int32_t kMagic = 0x5446534D;  // "MSFT"
constexpr int kTypeInfoSize = 0x64;
constexpr int kHeaderSize = 0x54;
constexpr int32_t kHelpDllFlag = 0x100;
constexpr int kSegments = 15;
enum Segment { TypeInfos = 0, Refs = 3, Guids = 5, Names = 7, TypeDescs = 9 };
// Offsets of fields in a type description's record.
constexpr int kKind = 0x00, kOwnRef = 0x0C, kPosGuid = 0x2C, kFlags = 0x30, kNameOffset = 0x34;
constexpr int32_t kTkindDispatch = 4;
constexpr int32_t kTypeFlagDual = 0x40, kTypeFlagNonExtensible = 0x80;
constexpr int16_t kVtUserDefined = 29;

struct Fail {
  std::string what;
};

class Library {
 public:
  explicit Library(std::vector<uint8_t> bytes) : d_(std::move(bytes)) {
    if (d_.size() < kHeaderSize || at(0) != kMagic) throw Fail{"not a type library"};
    count_ = at(0x20);
    int offsets = kHeaderSize + ((at(0x14) & kHelpDllFlag) ? 4 : 0);
    segments_ = offsets + 4 * count_;
    if (count_ <= 0 || segments_ + 16 * kSegments > static_cast<int>(d_.size())) {
      throw Fail{"truncated type library"};
    }
  }

  int count() const { return count_; }
  int segment(int s) const { return at(segments_ + 16 * s); }
  int segmentLength(int s) const { return at(segments_ + 16 * s + 4); }
  int record(int i) const { return segment(TypeInfos) + i * kTypeInfoSize; }

  std::string name(int i) const {
    int intro = segment(Names) + at(record(i) + kNameOffset);
    int length = d_.at(static_cast<size_t>(intro + 8));
    return std::string(reinterpret_cast<const char*>(&d_.at(static_cast<size_t>(intro + 12))),
                       static_cast<size_t>(length));
  }

  // Puts the records in the order `order` (old indexes), renumbering every reference.
  void reorder(const std::vector<int>& order) {
    std::map<int32_t, int32_t> moved;  // old reference (record offset) -> new
    for (int n = 0; n < count_; ++n) moved[order[n] * kTypeInfoSize] = n * kTypeInfoSize;
    auto renumber = [&](int pos) {
      auto it = moved.find(at(pos));
      if (it != moved.end()) put(pos, it->second);
    };
    std::vector<uint8_t> records(d_.begin() + record(0), d_.begin() + record(count_));
    for (int n = 0; n < count_; ++n) {
      std::memcpy(&d_[static_cast<size_t>(record(n))],
                  &records[static_cast<size_t>(order[n] * kTypeInfoSize)], kTypeInfoSize);
      int r = record(n);
      put(r + kKind, (at(r + kKind) & 0xFFFF) | (n << 16));
      if (at(r + kOwnRef) == order[n] * kTypeInfoSize) put(r + kOwnRef, n * kTypeInfoSize);
      put(segment(Guids) + at(r + kPosGuid) + 16, n * kTypeInfoSize);
      put(segment(Names) + at(r + kNameOffset), n * kTypeInfoSize);
    }
    for (int p = 0; p + 16 <= segmentLength(Refs); p += 16) renumber(segment(Refs) + p);
    for (int p = 0; p + 8 <= segmentLength(TypeDescs); p += 8) {
      int pos = segment(TypeDescs) + p;
      if ((at(pos) & 0xFFFF) == kVtUserDefined) renumber(pos + 4);
    }
  }

  void markDispatchNonExtensible() {
    for (int i = 0; i < count_; ++i) {
      int r = record(i);
      int32_t flags = at(r + kFlags);
      if ((at(r + kKind) & 0xF) == kTkindDispatch && !(flags & kTypeFlagDual)) {
        put(r + kFlags, flags | kTypeFlagNonExtensible);
      }
    }
  }

  const std::vector<uint8_t>& bytes() const { return d_; }

 private:
  int32_t at(int pos) const {
    if (pos < 0 || static_cast<size_t>(pos) + 4 > d_.size()) throw Fail{"bad offset"};
    int32_t v;
    std::memcpy(&v, &d_[static_cast<size_t>(pos)], 4);
    return v;
  }
  void put(int pos, int32_t v) {
    if (pos < 0 || static_cast<size_t>(pos) + 4 > d_.size()) throw Fail{"bad offset"};
    std::memcpy(&d_[static_cast<size_t>(pos)], &v, 4);
  }

  std::vector<uint8_t> d_;
  int count_ = 0;
  int segments_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: keloscroll-tlbfix IN OUT NAME...\n");
    return 2;
  }
  try {
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) throw Fail{std::string("cannot read ") + argv[1]};
    Library lib(std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {}));
    std::vector<int> order;
    for (int a = 3; a < argc; ++a) {
      int found = -1;
      for (int i = 0; i < lib.count(); ++i) {
        if (lib.name(i) == argv[a]) found = i;
      }
      if (found < 0) throw Fail{std::string("no type named ") + argv[a]};
      order.push_back(found);
    }
    if (static_cast<int>(order.size()) != lib.count()) throw Fail{"every type must be named"};
    lib.reorder(order);
    lib.markDispatchNonExtensible();
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(lib.bytes().data()),
              static_cast<std::streamsize>(lib.bytes().size()));
    if (!out) throw Fail{std::string("cannot write ") + argv[2]};
  } catch (const Fail& f) {
    std::fprintf(stderr, "keloscroll-tlbfix: %s\n", f.what.c_str());
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "keloscroll-tlbfix: %s\n", e.what());
    return 1;
  }
  return 0;
}
