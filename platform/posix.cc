// SPDX-License-Identifier: MIT
// The platform layer on POSIX systems.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "platform/platform.h"

measure_result measure_file(const char* name, std::uint32_t& size) {
  // O_NONBLOCK: opening a FIFO must not wait for a writer.
  int fd = open(name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return measure_result::cannot_open;

  struct stat status;
  off_t length = -1;
  if (fstat(fd, &status) == 0) {
    if (S_ISREG(status.st_mode))
      length = status.st_size;
    else if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode))
      length = lseek(fd, 0, SEEK_END);  // a device's size is where it ends
  }
  measure_result result = measure_length(length, size);
  close(fd);
  return result;
}

namespace {

bool write_all(int fd, const char* bytes, std::size_t size) {
  while (size > 0) {
    ssize_t written = write(fd, bytes, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

bool is_regular_file(const char* name) {
  struct stat status;
  return lstat(name, &status) == 0 && S_ISREG(status.st_mode);
}

}  // namespace

// The file is written in place, not to a temporary file that is then
// renamed over it: a rename would replace a symlink instead of writing
// through it, could not reach /dev/stdout, and fails in a read-only folder
// that holds a writable file.
write_result write_whole_file(const char* name, const char* bytes,
                              std::size_t size) {
  int fd = open(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return write_result::cannot_open;

  // Past a file size limit the default is to be killed mid-write, which
  // would leave a partial file behind; ignored, the write fails instead.
  auto size_limit_action = std::signal(SIGXFSZ, SIG_IGN);
  bool written = write_all(fd, bytes, size);
  if (size_limit_action != SIG_ERR) std::signal(SIGXFSZ, size_limit_action);
  if (!written) {
    // Empty what was written, also behind a link; on a device this fails
    // and there is nothing to empty.
    [[maybe_unused]] int emptied = ftruncate(fd, 0);
  }
  if (close(fd) != 0) written = false;
  if (written) return write_result::written;

  // A short copy could pass for a good one; a device such as /dev/full is
  // left alone.
  if (is_regular_file(name)) unlink(name);
  return write_result::cannot_write;
}

bool stdout_is_terminal() { return isatty(STDOUT_FILENO) == 1; }
