// keloscroll-idl FILE: writes the type library's IDL text into FILE.
#include <cstdio>
#include <fstream>

#include "server/idl.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: keloscroll-idl FILE\n");
    return 2;
  }
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out << keloscroll::server::typeLibraryIdl();
  out.flush();
  if (!out) {
    std::fprintf(stderr, "keloscroll-idl: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
