// SPDX-License-Identifier: MIT
#include "layout/layout_file.h"

#include <cstring>

namespace {

constexpr char version_1_line[] = "v1.00\r\n";
constexpr char version_2_line[] = "v2.00\r\n";
// Both version lines are written, and counted, with one length.
constexpr std::size_t version_line_size = sizeof version_1_line - 1;
static_assert(sizeof version_2_line - 1 == version_line_size);
constexpr char esf_line_start[] = "ZUN_CONFIG_FILE,\"";
constexpr char line_end[] = "\"\r\n";
// "0x" and sixteen digits; a line adds ,", the name and "\r\n.
constexpr std::size_t offset_field_size = 18;
constexpr std::size_t entry_line_overhead =
    offset_field_size + 2 + sizeof line_end - 1;

char* append(char* text, const char* bytes, std::size_t size) {
  std::memcpy(text, bytes, size);
  return text + size;
}

// Two upper-case hexadecimal digits for each byte value.
struct hex_pairs {
  char digits[256][2];
  constexpr hex_pairs() : digits() {
    const char hex[] = "0123456789ABCDEF";
    for (int byte = 0; byte < 256; ++byte) {
      digits[byte][0] = hex[byte >> 4];
      digits[byte][1] = hex[byte & 0xF];
    }
  }
};
constexpr hex_pairs byte_digits;

// The offset field: 0x, eight zeros, then the offset in eight upper-case
// hexadecimal digits. Written a byte at a time: this is most of the work
// of a large layout.
char* append_offset_field(char* text, std::uint32_t offset) {
  static constexpr char field_start[10] = {'0', 'x', '0', '0', '0',
                                           '0', '0', '0', '0', '0'};
  std::memcpy(text, field_start, sizeof field_start);
  for (int i = offset_field_size - 2; i >= 10; i -= 2, offset >>= 8)
    std::memcpy(text + i, byte_digits.digits[offset & 0xFF], 2);
  return text + offset_field_size;
}

inline char* append_line(char* text, std::uint32_t offset, const char* name) {
  text = append_offset_field(text, offset);
  text = append(text, ",\"", 2);
  text = append(text, name, std::strlen(name));
  return append(text, line_end, sizeof line_end - 1);
}

std::size_t format_layout(const char* version_line, const char* esf_name,
                          const process_list& processes,
                          const placement& placed, char* text) {
  char* end = append(text, version_line, version_line_size);
  if (esf_name != nullptr) {
    end = append(end, esf_line_start, sizeof esf_line_start - 1);
    end = append(end, esf_name, std::strlen(esf_name));
    end = append(end, line_end, sizeof line_end - 1);
  }
  for (std::size_t i = 0; i < processes.process_count; ++i)
    end = append_line(end, placed.file_offsets[i], processes.process_names[i]);
  end = append_line(end, placed.end, "");
  return static_cast<std::size_t>(end - text);
}

}  // namespace

std::size_t layout_size(const process_list& processes, const char* esf_name) {
  std::size_t size = version_line_size + entry_line_overhead;
  if (esf_name != nullptr)
    size +=
        sizeof esf_line_start - 1 + std::strlen(esf_name) + sizeof line_end - 1;
  for (std::size_t i = 0; i < processes.process_count; ++i)
    size += entry_line_overhead + std::strlen(processes.process_names[i]);
  return size;
}

std::size_t format_layout_v1(const process_list& processes,
                             const placement& placed, char* text) {
  return format_layout(version_1_line, nullptr, processes, placed, text);
}

std::size_t format_layout_v2(const process_list& processes,
                             const char* esf_name, const placement& placed,
                             char* text) {
  return format_layout(version_2_line, esf_name, processes, placed, text);
}

std::size_t write_layout_v1(const process_list& processes,
                            const offset_list& offsets, char* text) {
  placement placed;
  if (!place_layout_v1(processes, offsets, placed)) return 0;
  return format_layout_v1(processes, placed, text);
}

std::size_t write_layout_v2(const process_list& processes, const char* esf_name,
                            char* text) {
  placement placed;
  if (!place_layout_v2(processes, placed)) return 0;
  return format_layout_v2(processes, esf_name, placed, text);
}
