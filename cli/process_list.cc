#include "cli/process_list.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

char* next_list_item(char*& cursor) {
  while (*cursor == ',') ++cursor;  // empty items are dropped
  if (*cursor == '\0') return nullptr;
  char* item = cursor;
  while (*cursor != '\0' && *cursor != ',') ++cursor;
  if (*cursor == ',') *cursor++ = '\0';
  return item;
}

namespace {

bool is_white_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' ||
         c == '\r';
}

// The value of `c` as a digit of `base`, or -1 when it is none.
int digit_value(char c, unsigned base) {
  int value = -1;
  if (c >= '0' && c <= '9')
    value = c - '0';
  else if (c >= 'a' && c <= 'f')
    value = c - 'a' + 10;
  else if (c >= 'A' && c <= 'F')
    value = c - 'A' + 10;
  return value >= 0 && static_cast<unsigned>(value) < base ? value : -1;
}

}  // namespace

std::uint32_t parse_offset(const char* item) {
  while (is_white_space(*item)) ++item;
  bool negative = false;
  if (*item == '+' || *item == '-') negative = *item++ == '-';

  unsigned base = 10;
  if (item[0] == '0' && (item[1] == 'x' || item[1] == 'X') &&
      digit_value(item[2], 16) >= 0) {
    base = 16;
    item += 2;
  } else if (item[0] == '0') {
    base = 8;
  }

  // Saturate rather than wrap: any magnitude past 32 bits is 0xFFFFFFFF,
  // whatever the sign.
  constexpr std::uint64_t limit = 0xFFFFFFFFu;
  std::uint64_t magnitude = 0;
  for (int digit; (digit = digit_value(*item, base)) >= 0; ++item) {
    magnitude = magnitude * base + static_cast<unsigned>(digit);
    if (magnitude > limit) return 0xFFFFFFFFu;
  }
  auto value = static_cast<std::uint32_t>(magnitude);
  return negative ? static_cast<std::uint32_t>(0u - value) : value;
}

void to_drive_letter_form(char* name) {
  if (name[0] != '/' || name[1] != '/' || name[2] == '\0') return;
  name[0] = name[2];
  name[1] = ':';
  std::memmove(name + 2, name + 3, std::strlen(name + 3) + 1);
}

bool has_quote_or_line_break(const char* name) {
  return std::strpbrk(name, "\"\r\n") != nullptr;
}

measure_result measure_file(const char* name, std::uint32_t& size) {
  // O_NONBLOCK: opening a FIFO must not wait for a writer.
  int fd = open(name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return measure_result::cannot_open;

  measure_result result = measure_result::cannot_open;
  struct stat status;
  off_t length = -1;
  if (fstat(fd, &status) == 0) {
    if (S_ISREG(status.st_mode))
      length = status.st_size;
    else if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode))
      length = lseek(fd, 0, SEEK_END);  // a device's size is where it ends
  }
  if (length >= 0) {
    if (static_cast<std::uint64_t>(length) > 0xFFFFFFFFu) {
      result = measure_result::too_large;
    } else {
      size = static_cast<std::uint32_t>(length);
      result = measure_result::measured;
    }
  }
  close(fd);
  return result;
}

void add_process_files(char* value, process_list& processes, bool quiet,
                       int& error_count) {
  // The first file refused ends the value: the items after it are neither
  // opened nor reported.
  while (char* name = next_list_item(value)) {
    to_drive_letter_form(name);
    if (processes.process_count == max_list_entries) {
      std::fprintf(stderr, "too many process files: %s\n", name);
      ++error_count;
      return;
    }
    if (has_quote_or_line_break(name)) {
      std::fprintf(stderr, "name has a quote or line break: %s\n", name);
      ++error_count;
      return;
    }
    if (!quiet)
      std::printf("process %zu:     %s ", processes.process_count + 1, name);

    std::uint32_t size = 0;
    switch (measure_file(name, size)) {
      case measure_result::cannot_open:
        std::fprintf(stderr, "unable to open %s\n", name);
        ++error_count;
        return;
      case measure_result::too_large:
        std::fprintf(stderr, "file too large: %s\n", name);
        ++error_count;
        return;
      case measure_result::measured:
        break;
    }
    processes.process_names[processes.process_count] = name;
    processes.process_sizes[processes.process_count] = size;
    ++processes.process_count;
    if (!quiet) std::printf("(0x%08x)\n", static_cast<unsigned>(size));
  }
}

void add_offsets(char* value, offset_list& offsets, bool quiet) {
  while (char* item = next_list_item(value)) {
    std::uint32_t offset = parse_offset(item);
    if (offsets.offset_count < max_list_entries)
      offsets.offsets[offsets.offset_count] = offset;
    ++offsets.offset_count;
    if (!quiet)
      std::printf("offset %zu:     0x%08x\n", offsets.offset_count,
                  static_cast<unsigned>(offset));
  }
}
