#include "server/win/property_bag.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "host/picture.h"
#include "host/picture_decode.h"
#include "server/win/convert.h"

namespace keloscroll::win {

// ---- a container's bag ----------------------------------------------------------------------

namespace {

// The answers by which bags say that they hold no such key (E_INVALIDARG is the documented one;
// storage-backed bags answer as a missing stream or file).
bool keyAbsent(HRESULT hr) {
  return hr == E_INVALIDARG || hr == STG_E_FILENOTFOUND ||
         hr == HRESULT_FROM_WIN32(ERROR_NOT_FOUND) ||
         hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
}

}  // namespace

ComPropertyBag::ComPropertyBag(IPropertyBag* bag, bool saveAll) : bag_(bag), saveAll_(saveAll) {}

host::Variant ComPropertyBag::ReadProperty(std::string_view key, const host::Variant& def) const {
  std::wstring name = wide(key);
  VariantHolder v;
  // VT_EMPTY asks the bag for the value in the type it was saved with.
  HRESULT hr = bag_->Read(name.c_str(), &v, nullptr);
  if (keyAbsent(hr)) return def.value();
  if (FAILED(hr)) {
    failure_ = hr;
    throw errorOf(hr);
  }
  return fromVariant(v.get());
}

void ComPropertyBag::WriteProperty(std::string_view key, const host::Variant& value,
                                   const host::Variant& def) {
  if (!saveAll_ && isDefault(value, def)) return;
  std::wstring name = wide(key);
  VariantHolder v;
  toVariant(value, &v);
  HRESULT hr = bag_->Write(name.c_str(), &v);
  if (FAILED(hr)) {
    failure_ = hr;
    throw errorOf(hr);
  }
}

HRESULT ComPropertyBag::status(HRESULT hr) const {
  if (SUCCEEDED(hr) || SUCCEEDED(failure_)) return hr;
  SetErrorInfo(0, nullptr);  // the error object described the host's number, not this status
  return failure_;
}

// ---- the stream format ------------------------------------------------------------------------
// "KSPB", a format version, the entry count, then per entry: the key, the host type tag and the
// value. Numbers are little-endian; texts are a byte count and UTF-8; a picture is its width and
// height in pixels and its ARGB pixels (0 x 0 for an empty reference).

namespace {

constexpr uint32_t kMark = 0x4250534B;  // the bytes "KSPB"
constexpr uint32_t kFormat = 1;
constexpr uint32_t kMaxEntries = 64;
constexpr uint32_t kMaxText = 1u << 20;
constexpr size_t kPixelsPerRead = size_t{1} << 18;  // 1 MB
constexpr int32_t kFileAccess = 75;
constexpr int32_t kBadValue = 380;

class Writer {
 public:
  explicit Writer(IStream* s) : s_(s) {}
  void bytes(const void* p, size_t n) {
    ULONG done = 0;
    if (n && (FAILED(s_->Write(p, static_cast<ULONG>(n), &done)) || done != n)) {
      host::raise(kFileAccess);
    }
  }
  template <class T>
  void number(T v) {
    bytes(&v, sizeof v);
  }
  void text(const std::string& t) {
    number(static_cast<uint32_t>(t.size()));
    bytes(t.data(), t.size());
  }

 private:
  IStream* s_;
};

class Reader {
 public:
  explicit Reader(IStream* s) : s_(s) {}
  void bytes(void* p, size_t n) {
    ULONG done = 0;
    if (n && (FAILED(s_->Read(p, static_cast<ULONG>(n), &done)) || done != n)) {
      host::raise(kBadValue);
    }
  }
  template <class T>
  T number() {
    T v{};
    bytes(&v, sizeof v);
    return v;
  }
  std::string text() {
    uint32_t n = number<uint32_t>();
    if (n > kMaxText) host::raise(kBadValue);
    std::string t(n, '\0');
    bytes(t.data(), n);
    return t;
  }

 private:
  IStream* s_;
};

void writeValue(Writer& w, const host::Variant& v) {
  w.number(static_cast<uint16_t>(v.type()));
  switch (v.type()) {
    case host::VarType::Empty:
      break;
    case host::VarType::Boolean:
      w.number(v.asBoolean());
      break;
    case host::VarType::Integer:
      w.number(v.asInteger());
      break;
    case host::VarType::Long:
      w.number(v.asLong());
      break;
    case host::VarType::Single:
      w.number(v.asSingle());
      break;
    case host::VarType::Double:
      w.number(v.asDouble());
      break;
    case host::VarType::String:
      w.text(v.asString());
      break;
    case host::VarType::Object: {
      auto p = std::dynamic_pointer_cast<host::Picture>(v.asObject());
      // Only pictures are saved; any other object is stored as an empty reference.
      w.number(static_cast<uint32_t>(p ? p->width() : 0));
      w.number(static_cast<uint32_t>(p ? p->height() : 0));
      if (p) w.bytes(p->pixels().data(), p->pixels().size() * sizeof(uint32_t));
      break;
    }
  }
}

host::Variant readValue(Reader& r) {
  switch (static_cast<host::VarType>(r.number<uint16_t>())) {
    case host::VarType::Empty:
      return host::Variant();
    case host::VarType::Boolean:
      return host::Variant::fromBoolean(r.number<host::Boolean>());
    case host::VarType::Integer:
      return host::Variant(r.number<int16_t>());
    case host::VarType::Long:
      return host::Variant(r.number<int32_t>());
    case host::VarType::Single:
      return host::Variant(r.number<float>());
    case host::VarType::Double:
      return host::Variant(r.number<double>());
    case host::VarType::String:
      return host::Variant(r.text());
    case host::VarType::Object: {
      uint32_t w = r.number<uint32_t>(), h = r.number<uint32_t>();
      if (w == 0 && h == 0) return host::Variant::nothing();
      // Held to the limits of picture files, and taken as the pixels arrive: a few bytes that
      // claim a huge picture are refused before its memory is taken.
      if (!host::picture_decode::plainPixelsFit(w, h)) host::raise(kBadValue);
      const size_t count = static_cast<size_t>(w) * h;
      std::vector<uint32_t> argb;
      while (argb.size() < count) {
        const size_t at = argb.size();
        argb.resize(at + std::min<size_t>(count - at, kPixelsPerRead));
        r.bytes(argb.data() + at, (argb.size() - at) * sizeof(uint32_t));
      }
      return host::Variant(std::make_shared<host::Picture>(static_cast<int>(w), static_cast<int>(h),
                                                           std::move(argb)));
    }
  }
  host::raise(kBadValue);
}

}  // namespace

void writeStream(const host::PropertyBag& bag, IStream* stream) {
  Writer w(stream);
  w.number(kMark);
  w.number(kFormat);
  w.number(static_cast<uint32_t>(bag.entries().size()));
  for (const auto& [key, value] : bag.entries()) {
    w.text(key);
    writeValue(w, value);
  }
}

uint64_t streamSizeMax(std::span<const host::PictureRef> pictures) {
  // The control saves eleven keys of at most 13 bytes; the allowance is generous on both. A
  // scalar takes at most 8 bytes, a picture its sides and its pixels.
  constexpr uint64_t kKeys = 16, kKeyBytes = 32, kScalarBytes = 8;
  uint64_t size = 3 * sizeof(uint32_t) +
                  kKeys * (sizeof(uint32_t) + kKeyBytes + sizeof(uint16_t) + kScalarBytes);
  for (const host::PictureRef& p : pictures) {
    if (p) size += 2 * sizeof(uint32_t) + p->pixels().size() * sizeof(uint32_t);
  }
  return size;
}

void readStream(IStream* stream, host::PropertyBag& bag) {
  Reader r(stream);
  if (r.number<uint32_t>() != kMark || r.number<uint32_t>() != kFormat) host::raise(kBadValue);
  uint32_t count = r.number<uint32_t>();
  if (count > kMaxEntries) host::raise(kBadValue);
  std::vector<std::pair<std::string, host::Variant>> entries;
  for (uint32_t i = 0; i < count; ++i) {
    std::string key = r.text();
    entries.emplace_back(std::move(key), readValue(r));
  }
  for (auto& [key, value] : entries) bag.set(key, std::move(value));
}

}  // namespace keloscroll::win
