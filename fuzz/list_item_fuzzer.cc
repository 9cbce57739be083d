// SPDX-License-Identifier: MIT
// Cutting a list value into items and the drive-letter form, on any value:
// the items are the value's non-empty comma-free pieces in order, and
// rewriting one item touches no byte outside it.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "cli/lists.h"
#include "fuzz/check.h"
#include "fuzz/model.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#include <sanitizer/asan_interface.h>
#define DLFGEN_FUZZ_POISON(at, size) __asan_poison_memory_region(at, size)
#define DLFGEN_FUZZ_UNPOISON(at, size) __asan_unpoison_memory_region(at, size)
#endif
#endif
#ifndef DLFGEN_FUZZ_POISON
#define DLFGEN_FUZZ_POISON(at, size) static_cast<void>(0)
#define DLFGEN_FUZZ_UNPOISON(at, size) static_cast<void>(0)
#endif

namespace {

constexpr std::size_t guard_size = 32;
constexpr char guard_byte = 'G';  // neither a comma nor a terminator

// A terminated copy of a value between two guards. Under AddressSanitizer
// the guards are poisoned, so any access to them stops the run at once;
// either way they are checked to be intact when the buffer is done with.
class guarded_value {
 public:
  explicit guarded_value(const std::string& value)
      : bytes_(guard_size + value.size() + 1 + guard_size, guard_byte) {
    std::memcpy(begin(), value.data(), value.size());
    begin()[value.size()] = '\0';
    DLFGEN_FUZZ_POISON(bytes_.data(), guard_size);
    DLFGEN_FUZZ_POISON(end(), guard_size);
  }
  guarded_value(const guarded_value&) = delete;
  guarded_value& operator=(const guarded_value&) = delete;
  ~guarded_value() {
    DLFGEN_FUZZ_UNPOISON(bytes_.data(), guard_size);
    DLFGEN_FUZZ_UNPOISON(end(), guard_size);
    for (std::size_t i = 0; i < guard_size; ++i) {
      FUZZ_CHECK(bytes_[i] == guard_byte);
      FUZZ_CHECK(end()[i] == guard_byte);
    }
  }

  char* begin() { return bytes_.data() + guard_size; }
  // Just past the terminator.
  char* end() { return bytes_.data() + bytes_.size() - guard_size; }
  // The value with its terminator, as it stands now.
  std::string snapshot() { return std::string(begin(), end()); }

 private:
  std::vector<char> bytes_;
};

// The drive-letter form of `name`, a string inside `buffer`, must match the
// model and leave every byte of `buffer` outside the name alone, its
// terminator included.
void check_drive_letter_form(guarded_value& buffer, char* name) {
  const std::string before = buffer.snapshot();
  const std::string name_before = name;
  const std::size_t first = static_cast<std::size_t>(name - buffer.begin());
  const std::size_t past = first + name_before.size();

  to_drive_letter_form(name);

  const std::string after = buffer.snapshot();
  FUZZ_CHECK(std::string(name) == model::drive_letter_form(name_before));
  FUZZ_CHECK(after.compare(0, first, before, 0, first) == 0);
  FUZZ_CHECK(after.compare(past, std::string::npos, before, past,
                           std::string::npos) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  fuzz::start_input(data, size);
  // Argument strings end at their first NUL.
  const std::string value(reinterpret_cast<const char*>(data),
                          strnlen(reinterpret_cast<const char*>(data), size));

  guarded_value buffer(value);
  std::vector<std::string> items;
  char* cursor = buffer.begin();
  while (char* item = next_list_item(cursor)) {
    FUZZ_CHECK(item >= buffer.begin() && item < buffer.end());
    FUZZ_CHECK(cursor >= item && cursor < buffer.end());
    const std::string text = item;
    FUZZ_CHECK(!text.empty());
    FUZZ_CHECK(text.find(',') == std::string::npos);
    // The item is the value's own bytes, not a copy.
    FUZZ_CHECK(value.compare(static_cast<std::size_t>(item - buffer.begin()),
                             text.size(), text) == 0);
    items.push_back(text);
    check_drive_letter_form(buffer, item);
  }
  // Exhausted for good: the cursor stays on the terminator.
  FUZZ_CHECK(*cursor == '\0' && next_list_item(cursor) == nullptr);

  // Nothing lost, added or reordered: the items joined with commas are the
  // value with its runs of commas made single and those at its ends gone.
  std::string joined;
  for (const std::string& item : items)
    joined += (joined.empty() ? "" : ",") + item;
  std::string expected;
  for (char c : value)
    if (c != ',' || (!expected.empty() && expected.back() != ','))
      expected += c;
  if (!expected.empty() && expected.back() == ',') expected.pop_back();
  FUZZ_CHECK(joined == expected);
  FUZZ_CHECK(items == model::items(value));

  // An output name is rewritten whole, commas and all.
  guarded_value whole(value);
  check_drive_letter_form(whole, whole.begin());
  return 0;
}
