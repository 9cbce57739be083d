// SPDX-License-Identifier: MIT
#include "cli/lists.h"

#include <cstring>

char* next_list_item(char*& cursor) {
  while (*cursor == ',') ++cursor;  // empty items are dropped
  if (*cursor == '\0') return nullptr;
  char* item = cursor;
  // The C library's search is many times faster than a loop by hand.
  char* comma = std::strchr(cursor, ',');
  if (comma == nullptr) {
    cursor += std::strlen(cursor);
  } else {
    *comma = '\0';
    cursor = comma + 1;
  }
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
