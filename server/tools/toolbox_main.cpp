// keloscroll-toolbox FILE: writes the toolbox image of KeloScroll.ocx (server/win/toolbox.bmp).
#include <cstdio>
#include <fstream>

#include "server/tools/toolbox_bitmap.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: keloscroll-toolbox FILE.bmp\n");
    return 2;
  }
  const auto bytes = keloscroll::server::toolboxBitmap();
  std::ofstream out(argv[1], std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "keloscroll-toolbox: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
