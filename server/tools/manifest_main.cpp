// keloscroll-manifest ARCHITECTURE OUT: writes the side-by-side assembly manifest of
// KeloScroll.ocx for one processor architecture ("x86" or "amd64"), from the registration table.
// Built and run on the build machine.
#include <cstdio>
#include <fstream>
#include <string_view>

#include "server/registration.h"

int main(int argc, char** argv) {
  if (argc != 3 || (std::string_view(argv[1]) != "x86" && std::string_view(argv[1]) != "amd64")) {
    std::fprintf(stderr, "usage: keloscroll-manifest x86|amd64 OUT\n");
    return 2;
  }
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out << keloscroll::server::assemblyManifest(argv[1]);
  out.close();
  if (!out) {
    std::fprintf(stderr, "keloscroll-manifest: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
