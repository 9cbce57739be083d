// SPDX-License-Identifier: MIT
// Second, deliberately plain readings of the list and placement rules,
// written apart from the code they check: strings and 64-bit arithmetic
// instead of in-place cuts and masks.
#ifndef DLFGEN_FUZZ_MODEL_H_
#define DLFGEN_FUZZ_MODEL_H_

#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

namespace model {

constexpr std::uint64_t two_to_32 = std::uint64_t{1} << 32;

// An offset item: white space, one sign, 0x or 0 for the base, digits up to
// the first one the base does not have. No digits is 0, past 32 bits is
// 0xFFFFFFFF whatever the sign, and minus negates modulo 2^32. "0x" with no
// hexadecimal digit after it reads as 0 either way, so the prefix is simply
// dropped here.
inline std::uint32_t offset(const std::string& item) {
  std::size_t at = 0;
  while (at < item.size() && std::isspace(static_cast<unsigned char>(item[at])))
    ++at;
  bool minus = false;
  if (at < item.size() && (item[at] == '+' || item[at] == '-'))
    minus = item[at++] == '-';

  std::string rest = item.substr(at);
  unsigned base = 10;
  if (rest.rfind("0x", 0) == 0 || rest.rfind("0X", 0) == 0) {
    base = 16;
    rest.erase(0, 2);
  } else if (!rest.empty() && rest[0] == '0') {
    base = 8;
  }

  static const std::string symbols = "0123456789abcdef";
  std::uint64_t magnitude = 0;
  bool too_large = false;
  for (char c : rest) {
    std::size_t digit = symbols.find(
        static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    if (digit == std::string::npos || digit >= base) break;
    if (!too_large) magnitude = magnitude * base + digit;
    if (magnitude >= two_to_32) too_large = true;
  }
  if (too_large) return 0xFFFFFFFFu;
  if (minus)
    return static_cast<std::uint32_t>((two_to_32 - magnitude) % two_to_32);
  return static_cast<std::uint32_t>(magnitude);
}

// The non-empty items of a list value, in order.
inline std::vector<std::string> items(const std::string& value) {
  std::vector<std::string> found;
  std::string item;
  for (char c : value) {
    if (c != ',') {
      item += c;
      continue;
    }
    if (!item.empty()) found.push_back(item);
    item.clear();
  }
  if (!item.empty()) found.push_back(item);
  return found;
}

// //x... is x:..., anything else is kept.
inline std::string drive_letter_form(const std::string& name) {
  if (name.size() < 3 || name[0] != '/' || name[1] != '/') return name;
  return std::string(1, name[2]) + ":" + name.substr(3);
}

struct layout {
  bool fits = true;  // false: some end passed 0xFFFFFFFF
  std::vector<std::uint64_t> offsets;
  std::uint64_t end = 0;
};

// File k goes to explicit_offsets[k] while there is one, else to the first
// multiple of 32 at or after the end of file k-1.
inline layout place(const std::vector<std::uint32_t>& sizes,
                    const std::vector<std::uint32_t>& explicit_offsets) {
  layout placed;
  std::uint64_t position = 0;
  for (std::size_t k = 0; k < sizes.size(); ++k) {
    std::uint64_t at =
        k < explicit_offsets.size() ? explicit_offsets[k] : position;
    placed.offsets.push_back(at);
    std::uint64_t file_end = at + sizes[k];
    position = (file_end + 31) / 32 * 32;
    if (position >= two_to_32) {
      placed.fits = false;
      return placed;
    }
  }
  placed.end = position;
  return placed;
}

}  // namespace model

#endif  // DLFGEN_FUZZ_MODEL_H_
