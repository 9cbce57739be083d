// SPDX-License-Identifier: MIT
// Where the process files go: 32-byte rounding, the offset list of version
// 1.00, the packing of version 2.00 and layouts that pass 4 GiB.
#include "layout/placement.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

namespace {

process_list make_processes(const std::vector<std::uint32_t>& sizes) {
  process_list processes{};
  for (std::uint32_t size : sizes) {
    processes.process_names[processes.process_count] = "c:/work/p.bin";
    processes.process_sizes[processes.process_count] = size;
    ++processes.process_count;
  }
  return processes;
}

offset_list make_offsets(const std::vector<std::uint32_t>& values) {
  offset_list offsets{};
  for (std::uint32_t value : values) {
    offsets.offsets[offsets.offset_count] = value;
    ++offsets.offset_count;
  }
  return offsets;
}

// A placement whose every field holds a value no case expects, so that a
// field left unwritten cannot pass for a right one.
placement filled_placement() {
  placement placed;
  std::fill(std::begin(placed.file_offsets), std::end(placed.file_offsets),
            0xDEADBEEF);
  placed.end = 0xDEADBEEF;
  return placed;
}

std::string hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(value));
  return text;
}

void expect_placed(const placement& placed,
                   const std::vector<std::uint32_t>& offsets,
                   std::uint32_t end) {
  for (std::size_t i = 0; i < offsets.size(); ++i)
    EXPECT_EQ(placed.file_offsets[i], offsets[i])
        << "file " << i << " at " << hex(placed.file_offsets[i])
        << ", expected " << hex(offsets[i]);
  EXPECT_EQ(placed.end, end)
      << "end " << hex(placed.end) << ", expected " << hex(end);
}

TEST(AlignUp32, RoundsUpToMultiplesOf32) {
  const struct {
    std::uint32_t value;
    std::uint32_t aligned;
  } cases[] = {
      {0, 0},
      {1, 0x20},
      {0x1F, 0x20},
      {0x20, 0x20},
      {0x21, 0x40},
      {0x12345, 0x12360},
      {0xFFFFFFE0, 0xFFFFFFE0},
      // Past the last boundary the 32-bit sum wraps to 0.
      {0xFFFFFFE1, 0},
      {0xFFFFFFFF, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(hex(c.value));
    EXPECT_EQ(align_up_32(c.value), c.aligned);
  }
}

struct layout_case {
  const char* name;
  std::vector<std::uint32_t> sizes;
  std::vector<std::uint32_t> offsets;  // the offset list; version 1.00 only
  bool fits;
  std::vector<std::uint32_t> placed;  // checked only when the layout fits
  std::uint32_t end;
};

TEST(PlaceLayoutV1, PlacesListedFilesThenPacksTheRest) {
  // A case a line or two reads better as a table.
  // clang-format off
  const layout_case cases[] = {
      {"packed from 0 without offsets",
       {0x100, 0x21, 0x40}, {}, true, {0x0, 0x100, 0x140}, 0x180},
      {"the first file moved, the rest follow it",
       {0x100, 0x21, 0x40}, {0x400}, true, {0x400, 0x500, 0x540}, 0x580},
      {"a listed offset is used unrounded",
       {0x10, 0x10}, {0x201}, true, {0x201, 0x220}, 0x240},
      {"the file after the listed ones follows the last of them",
       {0x10, 0x30, 0x8}, {0x1000, 0x2000}, true,
       {0x1000, 0x2000, 0x2040}, 0x2060},
      {"decreasing offsets kept in list order",
       {0x10, 0x10, 0x10}, {0x3000, 0x2000, 0x1000}, true,
       {0x3000, 0x2000, 0x1000}, 0x1020},
      {"an empty file on a boundary takes no room",
       {0x20, 0x0, 0x10}, {}, true, {0x0, 0x20, 0x20}, 0x40},
      {"a multiple of 32 is followed directly",
       {0x40, 0x60, 0x1}, {}, true, {0x0, 0x40, 0xA0}, 0xC0},
      {"a single empty file", {0x0}, {}, true, {0x0}, 0x0},
      {"offsets past the last file are ignored",
       {0x10}, {0x100, 0x200, 0x300}, true, {0x100}, 0x120},
      {"the end follows the last file, not the highest one",
       {0x10, 0x10}, {0x1000, 0x0}, true, {0x1000, 0x0}, 0x20},
      {"an empty file listed at the top",
       {0x0}, {0xFFFFFFE0}, true, {0xFFFFFFE0}, 0xFFFFFFE0},
      {"the largest layout that fits",
       {0x20}, {0xFFFFFFC0}, true, {0xFFFFFFC0}, 0xFFFFFFE0},
      {"a packed file ending on the last boundary",
       {0x10, 0x20}, {0xFFFFFFA0}, true, {0xFFFFFFA0, 0xFFFFFFC0}, 0xFFFFFFE0},
      {"an empty file at 0xFFFFFFFF would end past 4 GiB",
       {0x0}, {0xFFFFFFFF}, false, {}, 0},
      {"a listed file ending at 4 GiB",
       {0x10}, {0xFFFFFFF0}, false, {}, 0},
      {"a packed file ending past 4 GiB",
       {0x10, 0x21}, {0xFFFFFFC0}, false, {}, 0},
      {"a listed file after a good one ending past 4 GiB",
       {0x10, 0x1}, {0x0, 0xFFFFFFF0}, false, {}, 0},
  };
  // clang-format on
  for (const layout_case& c : cases) {
    SCOPED_TRACE(c.name);
    const process_list processes = make_processes(c.sizes);
    const offset_list offsets = make_offsets(c.offsets);
    placement placed = filled_placement();
    ASSERT_EQ(place_layout_v1(processes, offsets, placed), c.fits);
    if (c.fits) expect_placed(placed, c.placed, c.end);
  }
}

// Version 2.00 takes no offset list: the files that version 1.00 moves to
// 0x400 above are packed from 0 here.
TEST(PlaceLayoutV2, PacksFilesFromZero) {
  // clang-format off
  const layout_case cases[] = {
      {"three files", {0x100, 0x21, 0x40}, {}, true, {0x0, 0x100, 0x140}, 0x180},
      {"an empty file on a boundary takes no room",
       {0x21, 0x0, 0x0, 0x1}, {}, true, {0x0, 0x40, 0x40, 0x40}, 0x60},
      {"a single empty file", {0x0}, {}, true, {0x0}, 0x0},
      {"the largest layout that fits",
       {0x80000000, 0x7FFFFFE0}, {}, true, {0x0, 0x80000000}, 0xFFFFFFE0},
      {"two halves of 4 GiB do not fit",
       {0x80000000, 0x80000000}, {}, false, {}, 0},
      {"the last file rounded up past 4 GiB",
       {0x80000000, 0x7FFFFFE1}, {}, false, {}, 0},
      {"a file of 0xFFFFFFFF bytes", {0xFFFFFFFF}, {}, false, {}, 0},
  };
  // clang-format on
  for (const layout_case& c : cases) {
    SCOPED_TRACE(c.name);
    const process_list processes = make_processes(c.sizes);
    placement placed = filled_placement();
    ASSERT_EQ(place_layout_v2(processes, placed), c.fits);
    if (c.fits) expect_placed(placed, c.placed, c.end);
  }
}

TEST(PlaceLayout, FillsAFullList) {
  std::vector<std::uint32_t> sizes(max_list_entries, 0x30);
  std::vector<std::uint32_t> expected;
  for (std::size_t i = 0; i < max_list_entries; ++i)
    expected.push_back(static_cast<std::uint32_t>(i * 0x40));
  const std::uint32_t end = static_cast<std::uint32_t>(max_list_entries * 0x40);
  const process_list processes = make_processes(sizes);

  placement placed = filled_placement();
  ASSERT_TRUE(place_layout_v2(processes, placed));
  expect_placed(placed, expected, end);

  // A full offset list moves every file.
  std::vector<std::uint32_t> listed;
  for (std::size_t i = 0; i < max_list_entries; ++i)
    listed.push_back(static_cast<std::uint32_t>(0x100000 + i * 0x1000));
  placed = filled_placement();
  ASSERT_TRUE(place_layout_v1(processes, make_offsets(listed), placed));
  expect_placed(placed, listed, listed.back() + 0x40);
}

}  // namespace
