// SPDX-License-Identifier: MIT
// The process list and the offset list, and the pure helpers they are
// built from: list values, the offset notation, the drive-letter form and
// the name check. No I/O.
#ifndef DLFGEN_CLI_LISTS_H_
#define DLFGEN_CLI_LISTS_H_

#include <cstddef>
#include <cstdint>

constexpr std::size_t max_list_entries = 256;

// Names point into the argument vector, which lives for the whole run.
struct process_list {
  const char* process_names[max_list_entries];
  std::uint32_t process_sizes[max_list_entries];
  std::size_t process_count;
};

struct offset_list {
  // Every offset met is counted and numbered, but only the first
  // max_list_entries are kept: later ones can never pair with a file.
  std::uint32_t offsets[max_list_entries];
  std::size_t offset_count;
};

// Returns the next non-empty item of a comma-separated list value and
// advances `cursor` past it, or returns nullptr when no item is left. The
// value is cut in place: the comma after the item becomes a terminator.
char* next_list_item(char*& cursor);

// Converts an offset item: leading white space, one optional sign, a 0x or
// 0 prefix for hexadecimal or octal, digits up to the first non-digit.
// No digits gives 0, a value past 32 bits gives 0xFFFFFFFF, and a minus
// sign negates modulo 2^32.
std::uint32_t parse_offset(const char* item);

// Rewrites //c/dir/file as c:/dir/file in place; any other name, "//"
// included, is left as it is.
void to_drive_letter_form(char* name);

// A double quote, CR or LF cannot stand between quotes in a layout line.
bool has_quote_or_line_break(const char* name);

#endif  // DLFGEN_CLI_LISTS_H_
