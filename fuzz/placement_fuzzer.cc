// SPDX-License-Identifier: MIT
// Placement in both versions against the 64-bit model: the same offsets and
// end when the layout fits, and false, never a wrapped offset, when it does
// not.
//
// Input: a version byte (bit 0: version 2.00), the number of process files
// and the number of offsets (two bytes each, little-endian), then the sizes
// and the offsets. Each value is a tag byte and its bytes: tag & 3 is 0 for
// one byte, 1 for two, 2 for four, and 3 for 0xFFFFFFFF less one byte.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <vector>

#include "cli/lists.h"
#include "fuzz/check.h"
#include "fuzz/model.h"
#include "layout/placement.h"

namespace {

class reader {
 public:
  reader(const std::uint8_t* data, std::size_t size) : at_(data), left_(size) {}

  // Little-endian; missing bytes read as 0.
  std::uint32_t bytes(int count) {
    std::uint32_t result = 0;
    for (int i = 0; i < count && left_ > 0; ++i, ++at_, --left_)
      result |= std::uint32_t{*at_} << (8 * i);
    return result;
  }

  std::uint32_t value() {
    switch (bytes(1) & 3) {
      case 0:
        return bytes(1);
      case 1:
        return bytes(2);
      case 2:
        return bytes(4);
      default:
        return 0xFFFFFFFFu - bytes(1);
    }
  }

 private:
  const std::uint8_t* at_;
  std::size_t left_;
};

constexpr std::uint32_t unset = 0xA5A5A5A5u;

void check_placement(const process_list& processes,
                     const std::vector<std::uint32_t>& explicit_offsets,
                     bool placed_ok, const placement& placed) {
  std::vector<std::uint32_t> sizes(
      processes.process_sizes,
      processes.process_sizes + processes.process_count);
  const model::layout expected = model::place(sizes, explicit_offsets);
  FUZZ_CHECK(placed_ok == expected.fits);
  if (!placed_ok) return;

  for (std::size_t k = 0; k < processes.process_count; ++k) {
    FUZZ_CHECK(placed.file_offsets[k] == expected.offsets[k]);
    if (k < explicit_offsets.size()) continue;
    // Not given: on a boundary, at or after the previous file's end.
    FUZZ_CHECK(placed.file_offsets[k] % 32 == 0);
    if (k > 0)
      FUZZ_CHECK(std::uint64_t{placed.file_offsets[k]} >=
                 std::uint64_t{placed.file_offsets[k - 1]} +
                     processes.process_sizes[k - 1]);
  }
  FUZZ_CHECK(placed.end == expected.end);
  FUZZ_CHECK(placed.end % 32 == 0);
  if (processes.process_count > 0) {
    std::size_t last = processes.process_count - 1;
    FUZZ_CHECK(std::uint64_t{placed.end} >=
               std::uint64_t{placed.file_offsets[last]} +
                   processes.process_sizes[last]);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  fuzz::start_input(data, size);
  reader in(data, size);
  const bool version_2 = (in.bytes(1) & 1) != 0;
  const std::size_t file_count = in.bytes(2) % (max_list_entries + 1);
  // The offset count goes on past the capacity, as -l counts every item.
  const std::size_t offset_count = in.bytes(2) % (2 * max_list_entries + 1);

  static process_list processes;
  static offset_list offsets;
  processes.process_count = file_count;
  for (std::size_t k = 0; k < file_count; ++k) {
    processes.process_names[k] = "";
    processes.process_sizes[k] = in.value();
  }
  offsets.offset_count = offset_count;
  std::vector<std::uint32_t> explicit_offsets;
  for (std::size_t k = 0; k < offset_count && k < max_list_entries; ++k) {
    offsets.offsets[k] = in.value();
    if (k < file_count) explicit_offsets.push_back(offsets.offsets[k]);
  }

  // One more value: align_up_32 on its own, in 32-bit arithmetic.
  const std::uint32_t any = in.value();
  const std::uint32_t aligned = align_up_32(any);
  FUZZ_CHECK(aligned % 32 == 0);
  FUZZ_CHECK(aligned == (any > 0xFFFFFFE0u ? 0u : (any + 31) / 32 * 32));

  static placement placed;
  std::fill(std::begin(placed.file_offsets), std::end(placed.file_offsets),
            unset);
  placed.end = unset;
  if (version_2) {
    bool placed_ok = place_layout_v2(processes, placed);
    check_placement(processes, {}, placed_ok, placed);
  } else {
    bool placed_ok = place_layout_v1(processes, offsets, placed);
    check_placement(processes, explicit_offsets, placed_ok, placed);
  }
  return 0;
}
