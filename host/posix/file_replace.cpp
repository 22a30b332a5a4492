#include "host/posix/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace keloscroll::host {

namespace {

std::error_code lastError() {
  return {errno, std::generic_category()};
}

bool writeAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    data.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

}  // namespace

std::error_code replaceFile(const std::filesystem::path& path, std::string_view contents) {
  namespace fs = std::filesystem;
  if (path.empty() || !path.has_filename())
    return std::make_error_code(std::errc::invalid_argument);
  std::error_code ec;
  // Through a link, the file it names is the one replaced.
  fs::path target = path;
  if (fs::is_symlink(fs::symlink_status(path, ec))) {
    target = fs::weakly_canonical(path, ec);
    if (ec) return ec;
  }
  struct stat old {};
  bool existed = ::stat(target.c_str(), &old) == 0;
  if (!existed && errno != ENOENT) return lastError();
  if (existed && !S_ISREG(old.st_mode)) {
    return std::make_error_code(S_ISDIR(old.st_mode) ? std::errc::is_a_directory
                                                     : std::errc::operation_not_supported);
  }

  fs::path folder = target.parent_path();
  std::string temp = (folder / ("." + target.filename().string() + ".tmp-XXXXXX")).string();
  // mkostemp opens with O_CREAT | O_EXCL: a name that exists, a link included, is never opened.
  int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return lastError();
  auto fail = [&](std::error_code e) {
    if (fd >= 0) ::close(fd);
    ::unlink(temp.c_str());
    return e;
  };
  mode_t mode;
  if (existed) {
    mode = old.st_mode & 07777;
  } else {
    mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  if (::fchmod(fd, mode) != 0) return fail(lastError());
  if (existed && ::geteuid() == 0) {
    // Root writing someone's file leaves it theirs.
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) return fail(lastError());
  }
  if (!writeAll(fd, contents)) return fail(lastError());
  if (::fsync(fd) != 0) return fail(lastError());
  int closed = ::close(fd);
  fd = -1;
  if (closed != 0) return fail(lastError());
  if (::rename(temp.c_str(), target.c_str()) != 0) return fail(lastError());
  // The rename itself reaches the disk with the folder.
  int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return {};
}

}  // namespace keloscroll::host
