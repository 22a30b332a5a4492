#include "host/read_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace keloscroll::host {

namespace {

ReadError failure(std::error_code code, std::string message) {
  return ReadError{code, std::move(message)};
}

ReadError systemFailure(int error, const std::filesystem::path& path) {
  std::error_code code(error, std::generic_category());
  return failure(code, "cannot read " + path.string() + ": " + code.message());
}

}  // namespace

std::string byteCount(size_t n) {
  if (n >= (size_t{1} << 20) && n % (size_t{1} << 20) == 0) return std::to_string(n >> 20) + " MiB";
  if (n >= 1024 && n % 1024 == 0) return std::to_string(n >> 10) + " KiB";
  return std::to_string(n) + " bytes";
}

ReadError readWholeFile(const std::filesystem::path& path, size_t maxBytes, std::string& out) {
  out.clear();
  // Non-blocking, so that opening a pipe with no writer does not wait; a terminal stays free.
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return systemFailure(errno, path);
  struct Close {
    int fd;
    ~Close() { ::close(fd); }
  } close{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0) return systemFailure(errno, path);
  if (S_ISDIR(st.st_mode)) {
    return failure(std::make_error_code(std::errc::is_a_directory),
                   path.string() + " is a folder, not a file");
  }
  if (!S_ISREG(st.st_mode)) {
    return failure(std::make_error_code(std::errc::invalid_argument),
                   path.string() + " is not a regular file");
  }
  const auto tooLarge = [&] {
    out.clear();
    return failure(std::make_error_code(std::errc::file_too_large),
                   path.string() + " is larger than " + byteCount(maxBytes));
  };
  if (static_cast<uint64_t>(st.st_size) > maxBytes) return tooLarge();
  // One byte more than the limit is asked for: a file that grew meanwhile is still caught.
  out.resize(static_cast<size_t>(st.st_size) + 1);
  size_t got = 0;
  for (;;) {
    if (got == out.size()) {
      if (got > maxBytes) return tooLarge();
      out.resize(std::min(maxBytes + 1, got * 2 + 1));
    }
    ssize_t n = ::read(fd, out.data() + got, out.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ReadError e = systemFailure(errno, path);
      out.clear();
      return e;
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  out.resize(got);
  return {};
}

bool jsonNestsDeeperThan(std::string_view text, int limit) {
  int depth = 0;
  bool inString = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (inString) {
      if (c == '\\') {
        ++i;
      } else if (c == '"') {
        inString = false;
      }
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      if (++depth > limit) return true;
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return false;
}

}  // namespace keloscroll::host
