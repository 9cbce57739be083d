#include "layout/layout_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

namespace {

// The offset field: 0x, eight zeros, then the offset in eight upper-case
// hexadecimal digits.
void append_offset_field(std::string& text, std::uint32_t offset) {
  static const char digits[] = "0123456789ABCDEF";
  char field[] = "0x0000000000000000";
  for (int i = 17; offset != 0; --i, offset >>= 4)
    field[i] = digits[offset & 0xF];
  text.append(field, sizeof field - 1);
}

void append_line(std::string& text, std::uint32_t offset, const char* name) {
  append_offset_field(text, offset);
  text += ",\"";
  text += name;
  text += "\"\r\n";
}

std::string format_layout(const char* version_line, const char* esf_name,
                          const process_list& processes,
                          const placement& placed) {
  std::size_t length = 64 + (esf_name ? std::strlen(esf_name) : 0);
  for (std::size_t i = 0; i < processes.process_count; ++i)
    length += 24 + std::strlen(processes.process_names[i]);

  std::string text;
  text.reserve(length);
  text += version_line;
  if (esf_name != nullptr) {
    text += "ZUN_CONFIG_FILE,\"";
    text += esf_name;
    text += "\"\r\n";
  }
  for (std::size_t i = 0; i < processes.process_count; ++i)
    append_line(text, placed.file_offsets[i], processes.process_names[i]);
  append_line(text, placed.end, "");
  return text;
}

bool write_all(int fd, const std::string& text) {
  const char* data = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    ssize_t written = write(fd, data, left);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    left -= static_cast<std::size_t>(written);
  }
  return true;
}

bool is_regular_file(const char* name) {
  struct stat status;
  return lstat(name, &status) == 0 && S_ISREG(status.st_mode);
}

// `open_failure_stream` is where a file that cannot be created is reported:
// version 2.00 has always said so on standard output.
bool write_layout_file(const char* output_name, const std::string& text,
                       const char* program_name,
                       std::FILE* open_failure_stream) {
  int fd = open(output_name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    std::fprintf(open_failure_stream, "%s: unable to open img output file\n",
                 program_name);
    return false;
  }
  // Past a file size limit the default is to be killed mid-write, which
  // would leave a partial layout behind; ignored, the write fails instead.
  auto size_limit_action = std::signal(SIGXFSZ, SIG_IGN);
  bool written = write_all(fd, text);
  if (size_limit_action != SIG_ERR) std::signal(SIGXFSZ, size_limit_action);
  if (!written) {
    // Empty what was written, also behind a link; on a device this fails
    // and there is nothing to empty.
    [[maybe_unused]] int emptied = ftruncate(fd, 0);
  }
  if (close(fd) != 0) written = false;
  if (written) return true;

  // A short layout could pass for a good one; a device such as /dev/full
  // is left alone.
  if (is_regular_file(output_name)) unlink(output_name);
  std::fprintf(stderr, "%s: unable to write img output file\n", program_name);
  return false;
}

bool report_overflow(const char* program_name) {
  std::fprintf(stderr, "%s: layout does not fit in 32-bit offsets\n",
               program_name);
  return false;
}

}  // namespace

std::string format_layout_v1(const process_list& processes,
                             const placement& placed) {
  return format_layout("v1.00\r\n", nullptr, processes, placed);
}

std::string format_layout_v2(const process_list& processes,
                             const char* esf_name, const placement& placed) {
  return format_layout("v2.00\r\n", esf_name, processes, placed);
}

bool write_layout_v1(const char* output_name, const process_list& processes,
                     const offset_list& offsets, const char* program_name) {
  placement placed;
  if (!place_layout_v1(processes, offsets, placed))
    return report_overflow(program_name);
  return write_layout_file(output_name, format_layout_v1(processes, placed),
                           program_name, stderr);
}

bool write_layout_v2(const char* output_name, const process_list& processes,
                     const char* esf_name, const char* program_name) {
  placement placed;
  if (!place_layout_v2(processes, placed)) return report_overflow(program_name);
  return write_layout_file(output_name,
                           format_layout_v2(processes, esf_name, placed),
                           program_name, stdout);
}
