// SPDX-License-Identifier: MIT
#include "layout/placement.h"

std::uint32_t align_up_32(std::uint32_t value) {
  return (value + 31u) & ~std::uint32_t{31};
}

namespace {

// The last 32-byte boundary that 32-bit offsets can hold.
constexpr std::uint32_t last_boundary = 0xFFFFFFE0;

// The boundary after a file of `size` bytes at `offset`. The end is summed
// wide so that a layout past 4 GiB is reported instead of wrapping to a
// small offset: only an end up to the last boundary rounds up to one that
// fits. Returns false otherwise.
bool next_position(std::uint32_t offset, std::uint32_t size,
                   std::uint32_t& position) {
  std::uint64_t end = std::uint64_t{offset} + size;
  if (end > last_boundary) return false;
  position = align_up_32(static_cast<std::uint32_t>(end));
  return true;
}

}  // namespace

bool place_layout_v1(const process_list& processes, const offset_list& offsets,
                     placement& placed) {
  std::uint32_t position = 0;
  // offset_count may pass the list's capacity, but i never does.
  for (std::size_t i = 0; i < processes.process_count; ++i) {
    std::uint32_t offset =
        i < offsets.offset_count ? offsets.offsets[i] : position;
    placed.file_offsets[i] = offset;
    if (!next_position(offset, processes.process_sizes[i], position))
      return false;
  }
  placed.end = position;
  return true;
}

bool place_layout_v2(const process_list& processes, placement& placed) {
  offset_list no_offsets{};
  return place_layout_v1(processes, no_offsets, placed);
}
