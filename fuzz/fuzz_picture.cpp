// Picture decoding of arbitrary bytes: a picture within the limits, or error 481.
#include <cstddef>
#include <cstdint>
#include <span>

#include "host/error.h"
#include "host/picture.h"
#include "host/picture_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    keloscroll::host::PictureRef p =
        keloscroll::host::Picture::fromMemory(std::span<const uint8_t>(data, size));
    const int most = keloscroll::host::picture_decode::kMaxSide;
    if (p->width() < 1 || p->height() < 1 || p->width() > most || p->height() > most ||
        p->pixels().size() != static_cast<size_t>(p->width()) * static_cast<size_t>(p->height())) {
      __builtin_trap();
    }
  } catch (const keloscroll::host::Error& e) {
    if (e.number() != keloscroll::host::err::InvalidPicture) __builtin_trap();
  }
  return 0;
}
