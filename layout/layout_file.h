// SPDX-License-Identifier: MIT
// The disk layout file: its text in versions 1.00 and 2.00. Pure: the
// caller stores the text.
//
// Every line ends in CR LF on every platform:
//   v1.00                         v2.00
//   0x0000000000000000,"a.bin"    ZUN_CONFIG_FILE,"boot.esf"
//   0x0000000000000100,"b.bin"    0x0000000000000000,"a.bin"
//   0x0000000000000140,""         ...
#ifndef DLFGEN_LAYOUT_LAYOUT_FILE_H_
#define DLFGEN_LAYOUT_LAYOUT_FILE_H_

#include <cstddef>

#include "cli/lists.h"
#include "layout/placement.h"

// The exact size in bytes of the layout text of these files; `esf_name` is
// nullptr for version 1.00.
std::size_t layout_size(const process_list& processes, const char* esf_name);

// Write the whole text for a given placement into `text`, which holds
// layout_size() bytes, and return the number of bytes written.
std::size_t format_layout_v1(const process_list& processes,
                             const placement& placed, char* text);
std::size_t format_layout_v2(const process_list& processes,
                             const char* esf_name, const placement& placed,
                             char* text);

// Place the files and write the text of a version 1.00 or 2.00 layout into
// `text`, which holds layout_size() bytes. Return the number of bytes
// written, or 0 when a position would pass 0xFFFFFFFF; a layout is never
// empty.
std::size_t write_layout_v1(const process_list& processes,
                            const offset_list& offsets, char* text);
std::size_t write_layout_v2(const process_list& processes, const char* esf_name,
                            char* text);

#endif  // DLFGEN_LAYOUT_LAYOUT_FILE_H_
