// The disk layout file: its text in versions 1.00 and 2.00, and the writers
// that place the process files and store that text under the output name.
//
// Every line ends in CR LF on every platform:
//   v1.00                         v2.00
//   0x0000000000000000,"a.bin"    ZUN_CONFIG_FILE,"boot.esf"
//   0x0000000000000100,"b.bin"    0x0000000000000000,"a.bin"
//   0x0000000000000140,""         ...
#ifndef DLFGEN_LAYOUT_LAYOUT_FILE_H_
#define DLFGEN_LAYOUT_LAYOUT_FILE_H_

#include <string>

#include "cli/process_list.h"
#include "layout/placement.h"

// Pure: the whole file as it is to be written.
std::string format_layout_v1(const process_list& processes,
                             const placement& placed);
std::string format_layout_v2(const process_list& processes,
                             const char* esf_name, const placement& placed);

// Each places the files in full before the output file is opened, then
// creates or empties it and writes the layout in one piece. On failure it
// prints the reason and returns false; a regular output file that could not
// be written completely is removed, so no partial layout is left behind.
bool write_layout_v1(const char* output_name, const process_list& processes,
                     const offset_list& offsets, const char* program_name);
bool write_layout_v2(const char* output_name, const process_list& processes,
                     const char* esf_name, const char* program_name);

#endif  // DLFGEN_LAYOUT_LAYOUT_FILE_H_
