// SPDX-License-Identifier: MIT
// The list helpers behind -p and -l: cutting a list value into items,
// reading an offset, the drive-letter form of a name and the name check.
#include "cli/lists.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

// A writable, terminated copy of `text`, as the argument vector would be.
std::vector<char> writable(const std::string& text) {
  std::vector<char> buffer(text.begin(), text.end());
  buffer.push_back('\0');
  return buffer;
}

std::string quoted(const std::string& text) {
  return testing::PrintToString(text);
}

TEST(NextListItem, SplitsOnCommasAndDropsEmptyItems) {
  const struct {
    const char* value;
    std::vector<std::string> items;
  } cases[] = {
      {"a.bin", {"a.bin"}},
      {"a.bin,b.bin,c.bin", {"a.bin", "b.bin", "c.bin"}},
      {",a.bin", {"a.bin"}},
      {"a.bin,", {"a.bin"}},
      {"a.bin,,,b.bin", {"a.bin", "b.bin"}},
      {",,a,,b,,", {"a", "b"}},
      {",", {}},
      {",,,", {}},
      {"", {}},
      // Only the comma separates: spaces belong to the items.
      {" a , b ", {" a ", " b "}},
      {"my file.bin, other.bin", {"my file.bin", " other.bin"}},
      {"c,b,a", {"c", "b", "a"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("value " + quoted(c.value));
    std::vector<char> buffer = writable(c.value);
    char* cursor = buffer.data();
    std::vector<std::string> items;
    while (char* item = next_list_item(cursor)) {
      ASSERT_GE(item, buffer.data());
      ASSERT_LT(item, buffer.data() + buffer.size());
      items.emplace_back(item);
      ASSERT_LE(items.size(), c.items.size() + 1) << "too many items";
    }
    EXPECT_EQ(items, c.items);
    // The end of the list stays the end.
    EXPECT_EQ(next_list_item(cursor), nullptr);
  }
}

TEST(NextListItem, CutsTheValueInPlace) {
  std::vector<char> buffer = writable(",ab,,cd,e");
  char* cursor = buffer.data();

  char* first = next_list_item(cursor);
  ASSERT_EQ(first, buffer.data() + 1);
  EXPECT_STREQ(first, "ab");
  EXPECT_EQ(buffer[3], '\0') << "the comma after an item becomes its end";

  char* second = next_list_item(cursor);
  ASSERT_EQ(second, buffer.data() + 5);
  EXPECT_STREQ(second, "cd");
  EXPECT_EQ(buffer[7], '\0');

  char* third = next_list_item(cursor);
  ASSERT_EQ(third, buffer.data() + 8);
  EXPECT_STREQ(third, "e");

  EXPECT_EQ(next_list_item(cursor), nullptr);
  // The earlier items are left intact by the later cuts.
  EXPECT_STREQ(first, "ab");
  EXPECT_STREQ(second, "cd");
}

TEST(ParseOffset, ReadsBaseSignAndDigits) {
  const struct {
    const char* item;
    std::uint32_t value;
  } cases[] = {
      {"0", 0},
      {"42", 42},
      {"0x800", 0x800},
      {"0x10", 0x10},
      {"0X1f", 0x1F},
      {"0xAbCdEf01", 0xABCDEF01},
      {"010", 8},
      {"0777", 0777},
      {"  +42", 42},
      {"\t\n7", 7},
      {"\v\f\r 0x20", 0x20},
      // Digits end at the first character that is no digit of the base.
      {"12abc", 12},
      {"08", 0},
      {"0179", 017},
      {"0x1g", 0x1},
      {"100 200", 100},
      // No digits at all.
      {"zz", 0},
      {"", 0},
      {"   ", 0},
      {"0x", 0},
      {"0xg", 0},
      {"+", 0},
      {"- 5", 0},
      {"+-5", 0},
      // A minus sign negates modulo 2^32.
      {"-1", 0xFFFFFFFF},
      {"-0x20", 0xFFFFFFE0},
      {"-4294967295", 1},
      {"-0", 0},
      // The largest magnitude that fits, and the first ones that do not.
      {"4294967295", 0xFFFFFFFF},
      {"0xFFFFFFFF", 0xFFFFFFFF},
      {"037777777777", 0xFFFFFFFF},
      {"4294967296", 0xFFFFFFFF},
      {"0x100000000", 0xFFFFFFFF},
      {"040000000000", 0xFFFFFFFF},
      {"-4294967296", 0xFFFFFFFF},
      {"99999999999999999999999", 0xFFFFFFFF},
      {"-99999999999999999999999", 0xFFFFFFFF},
      {"0x00000000000000000010", 0x10},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("item " + quoted(c.item));
    EXPECT_EQ(parse_offset(c.item), c.value);
  }
}

TEST(ToDriveLetterForm, RewritesOnlyDoubleSlashNames) {
  const struct {
    const char* name;
    const char* rewritten;
  } cases[] = {
      {"//c/dir/file", "c:/dir/file"},
      {"//d/work/app.bin", "d:/work/app.bin"},
      {"//c", "c:"},
      {"//c/", "c:/"},
      {"//\xC3\xA9/x", "\xC3:\xA9/x"},
      {"//c/d\xC3\xA9j\xC3\xA0.bin", "c:/d\xC3\xA9j\xC3\xA0.bin"},
      // The third character is taken whatever it is.
      {"///x", "/:x"},
      // Left as they are.
      {"//", "//"},
      {"/", "/"},
      {"", ""},
      {"/d/work/app.bin", "/d/work/app.bin"},
      {"c:/x", "c:/x"},
      {"\\\\c\\x", "\\\\c\\x"},
      {"a//c/x", "a//c/x"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("name " + quoted(c.name));
    std::vector<char> buffer = writable(c.name);
    buffer.push_back('#');  // a guard byte past the terminator
    to_drive_letter_form(buffer.data());
    EXPECT_EQ(std::string(buffer.data()), c.rewritten);
    EXPECT_EQ(buffer.back(), '#');
  }
}

TEST(HasQuoteOrLineBreak, FindsQuotesCarriageReturnsAndLineFeeds) {
  const struct {
    const char* name;
    bool refused;
  } cases[] = {
      {"\"", true},
      {"a\"b.bin", true},
      {"\"a.bin\"", true},
      {"a.bin\r", true},
      {"\na.bin", true},
      {"dir\r\nfile", true},
      {"c:/work/a\xE9\"", true},
      {"", false},
      {"c:/work/a.bin", false},
      {"a,b.bin", false},
      {"my file.bin", false},
      {"tab\there", false},
      {"'single'", false},
      {"c:/d\xC3\xA9j\xC3\xA0/\xE9t\xE9.bin", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("name " + quoted(c.name));
    EXPECT_EQ(has_quote_or_line_break(c.name), c.refused);
  }
}

}  // namespace
