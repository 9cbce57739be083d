// SPDX-License-Identifier: MIT
// Filling the process list and the offset list from the -p and -l options,
// in the order they are met: each process file is measured, and each entry
// is reported as it is added.
#ifndef DLFGEN_CLI_PROCESS_LIST_H_
#define DLFGEN_CLI_PROCESS_LIST_H_

#include "cli/lists.h"

// Handle the value of one -p or -l option: report each entry on standard
// output unless `quiet`, and count each refused process file in
// `error_count`.
void add_process_files(char* value, process_list& processes, bool quiet,
                       int& error_count);
void add_offsets(char* value, offset_list& offsets, bool quiet);

#endif  // DLFGEN_CLI_PROCESS_LIST_H_
