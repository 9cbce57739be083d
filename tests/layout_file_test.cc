// SPDX-License-Identifier: MIT
// The text of the disk layout file in versions 1.00 and 2.00, compared byte
// for byte.
#include "layout/layout_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct placed_file {
  const char* name;
  std::uint32_t offset;
};

// The text is written from whatever placement it is given; the offsets here
// need not follow from the file sizes.
struct layout_text_case {
  const char* name;
  const char* esf_name;  // nullptr: version 1.00
  std::vector<placed_file> files;
  std::uint32_t end;
  std::string text;
};

// The text for a placement, in a buffer of exactly layout_size() bytes
// with a guard byte after it that must stay untouched.
std::string format_text(const process_list& processes, const char* esf_name,
                        const placement& placed) {
  const std::size_t size = layout_size(processes, esf_name);
  std::string buffer(size + 1, '#');
  std::size_t written =
      esf_name == nullptr
          ? format_layout_v1(processes, placed, buffer.data())
          : format_layout_v2(processes, esf_name, placed, buffer.data());
  EXPECT_EQ(written, size) << "layout_size is not the size written";
  EXPECT_EQ(buffer[size], '#') << "written past layout_size";
  buffer.resize(written);
  return buffer;
}

std::string format(const layout_text_case& c) {
  process_list processes{};
  placement placed{};
  for (const placed_file& file : c.files) {
    processes.process_names[processes.process_count] = file.name;
    placed.file_offsets[processes.process_count] = file.offset;
    ++processes.process_count;
  }
  placed.end = c.end;
  return format_text(processes, c.esf_name, placed);
}

TEST(FormatLayout, WritesTheWholeFile) {
  const layout_text_case cases[] = {
      {"version 1.00, two files",
       nullptr,
       {{"c:/work/a.bin", 0x0}, {"c:/work/b.bin", 0x100}},
       0x140,
       "v1.00\r\n"
       "0x0000000000000000,\"c:/work/a.bin\"\r\n"
       "0x0000000000000100,\"c:/work/b.bin\"\r\n"
       "0x0000000000000140,\"\"\r\n"},
      {"version 2.00, two files",
       "c:/work/boot.esf",
       {{"c:/work/a.bin", 0x0}, {"c:/work/b.bin", 0x100}},
       0x140,
       "v2.00\r\n"
       "ZUN_CONFIG_FILE,\"c:/work/boot.esf\"\r\n"
       "0x0000000000000000,\"c:/work/a.bin\"\r\n"
       "0x0000000000000100,\"c:/work/b.bin\"\r\n"
       "0x0000000000000140,\"\"\r\n"},
      {"version 1.00, one empty file",
       nullptr,
       {{"empty.bin", 0x0}},
       0x0,
       "v1.00\r\n"
       "0x0000000000000000,\"empty.bin\"\r\n"
       "0x0000000000000000,\"\"\r\n"},
      {"upper-case digits in every position",
       nullptr,
       {{"a.bin", 0xABCDEF01}, {"b.bin", 0xFFFFFFFF}, {"c.bin", 0x1}},
       0xFFFFFFE0,
       "v1.00\r\n"
       "0x00000000ABCDEF01,\"a.bin\"\r\n"
       "0x00000000FFFFFFFF,\"b.bin\"\r\n"
       "0x0000000000000001,\"c.bin\"\r\n"
       "0x00000000FFFFFFE0,\"\"\r\n"},
      {"version 2.00, each digit position alone",
       "boot.esf",
       {{"a", 0x10000000},
        {"b", 0x02000000},
        {"c", 0x00300000},
        {"d", 0x00040000},
        {"e", 0x00005000},
        {"f", 0x00000600},
        {"g", 0x00000070}},
       0x00000080,
       "v2.00\r\n"
       "ZUN_CONFIG_FILE,\"boot.esf\"\r\n"
       "0x0000000010000000,\"a\"\r\n"
       "0x0000000002000000,\"b\"\r\n"
       "0x0000000000300000,\"c\"\r\n"
       "0x0000000000040000,\"d\"\r\n"
       "0x0000000000005000,\"e\"\r\n"
       "0x0000000000000600,\"f\"\r\n"
       "0x0000000000000070,\"g\"\r\n"
       "0x0000000000000080,\"\"\r\n"},
      {"names with commas, spaces and bytes above 127 as they are",
       "c:/d\xC3\xA9j\xC3\xA0/boot,v2.esf",
       {{"c:/d\xC3\xA9j\xC3\xA0/a,b c.bin", 0x20}, {"c:/\xE9t\xE9.bin", 0x40}},
       0x60,
       "v2.00\r\n"
       "ZUN_CONFIG_FILE,\"c:/d\xC3\xA9j\xC3\xA0/boot,v2.esf\"\r\n"
       "0x0000000000000020,\"c:/d\xC3\xA9j\xC3\xA0/a,b c.bin\"\r\n"
       "0x0000000000000040,\"c:/\xE9t\xE9.bin\"\r\n"
       "0x0000000000000060,\"\"\r\n"},
  };
  for (const layout_text_case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(format(c), c.text);
  }
}

// A full list gives one line per file after the header lines, each in CR
// LF, and the end line last.
TEST(FormatLayout, EndsEveryLineOfAFullListInCrLf) {
  std::vector<std::string> names;
  for (std::size_t i = 0; i < max_list_entries; ++i)
    names.push_back("c:/work/file" + std::to_string(i) + ".bin");
  process_list processes{};
  placement placed{};
  for (std::size_t i = 0; i < max_list_entries; ++i) {
    processes.process_names[i] = names[i].c_str();
    placed.file_offsets[i] = static_cast<std::uint32_t>(i * 0x20);
  }
  processes.process_count = max_list_entries;
  placed.end = static_cast<std::uint32_t>(max_list_entries * 0x20);

  const std::string text = format_text(processes, "boot.esf", placed);

  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t line_feed = text.find('\n', start);
    ASSERT_NE(line_feed, std::string::npos) << "last line has no line feed";
    ASSERT_GT(line_feed, start) << "bare LF at byte " << line_feed;
    ASSERT_EQ(text[line_feed - 1], '\r') << "bare LF at byte " << line_feed;
    lines.push_back(text.substr(start, line_feed - 1 - start));
    start = line_feed + 1;
  }
  // With every LF after a CR, as many CRs as LFs leave no CR alone.
  EXPECT_EQ(std::count(text.begin(), text.end(), '\r'),
            std::count(text.begin(), text.end(), '\n'))
      << "CR without LF";

  ASSERT_EQ(lines.size(), max_list_entries + 3);
  EXPECT_EQ(lines[0], "v2.00");
  EXPECT_EQ(lines[1], "ZUN_CONFIG_FILE,\"boot.esf\"");
  for (std::size_t i = 0; i < max_list_entries; ++i) {
    char expected[64];
    std::snprintf(expected, sizeof expected, "0x00000000%08X,\"%s\"",
                  static_cast<unsigned>(i * 0x20), names[i].c_str());
    EXPECT_EQ(lines[i + 2], expected) << "line " << i + 2;
  }
  EXPECT_EQ(lines.back(), "0x0000000000002000,\"\"");
}

// The writers place the files themselves, and write nothing when the
// layout does not fit.
TEST(WriteLayout, PlacesTheFilesOrRefusesALayoutPast32Bits) {
  process_list processes{};
  processes.process_names[0] = "a.bin";
  processes.process_sizes[0] = 0x100;
  processes.process_names[1] = "b.bin";
  processes.process_sizes[1] = 0x21;
  processes.process_count = 2;
  offset_list offsets{};
  offsets.offsets[0] = 0x400;
  offsets.offset_count = 1;

  std::string text(layout_size(processes, nullptr), '\0');
  text.resize(write_layout_v1(processes, offsets, text.data()));
  EXPECT_EQ(text,
            "v1.00\r\n0x0000000000000400,\"a.bin\"\r\n"
            "0x0000000000000500,\"b.bin\"\r\n0x0000000000000540,\"\"\r\n");

  text.assign(layout_size(processes, "e.esf"), '\0');
  text.resize(write_layout_v2(processes, "e.esf", text.data()));
  EXPECT_EQ(text,
            "v2.00\r\nZUN_CONFIG_FILE,\"e.esf\"\r\n"
            "0x0000000000000000,\"a.bin\"\r\n"
            "0x0000000000000100,\"b.bin\"\r\n0x0000000000000140,\"\"\r\n");

  offsets.offsets[0] = 0xFFFFFF00;
  text.assign(layout_size(processes, nullptr), '#');
  EXPECT_EQ(write_layout_v1(processes, offsets, text.data()), 0u);
  processes.process_sizes[0] = 0xFFFFFFFF;
  EXPECT_EQ(write_layout_v2(processes, "e.esf", text.data()), 0u);
}

}  // namespace
