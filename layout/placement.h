// SPDX-License-Identifier: MIT
// Where each process file lies in the disk image. Pure: no I/O.
#ifndef DLFGEN_LAYOUT_PLACEMENT_H_
#define DLFGEN_LAYOUT_PLACEMENT_H_

#include <cstdint>

#include "cli/lists.h"

struct placement {
  std::uint32_t file_offsets[max_list_entries];
  std::uint32_t end;  // the 32-byte boundary after the last file in the list
};

// The smallest multiple of 32 not below `value`, in 32-bit arithmetic.
std::uint32_t align_up_32(std::uint32_t value);

// Version 1.00: the first files go where the offset list says, unchanged;
// every other file starts on the first 32-byte boundary after the file
// before it. Returns false, leaving `placed` unspecified, when a position
// would pass 0xFFFFFFFF.
bool place_layout_v1(const process_list& processes, const offset_list& offsets,
                     placement& placed);

// Version 2.00: the files are packed from offset 0 on 32-byte boundaries.
bool place_layout_v2(const process_list& processes, placement& placed);

#endif  // DLFGEN_LAYOUT_PLACEMENT_H_
