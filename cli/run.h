// SPDX-License-Identifier: MIT
// The whole run of the tool: scan the command line, check the request,
// write the layout and report.
#ifndef DLFGEN_CLI_RUN_H_
#define DLFGEN_CLI_RUN_H_

#include "cli/lists.h"

struct run_state {
  const char* program_name;
  bool quiet;
  bool compat;
  const char* esf_name;
  char* output_name;
  int error_count;
  process_list processes;
  offset_list offsets;
};

// The state of a run before its first option.
void start_run_state(run_state& run, const char* program_name);

// Acts on each option in order. Returns false when -h was met: nothing
// after it is looked at. The strings of `argv` are cut and rewritten in
// place and must outlive `run`.
bool scan_arguments(int argc, char** argv, run_state& run);

// Prints the usage text on standard output and returns `status`, the exit
// status the run ends with.
int print_usage(const char* program_name, int status);

// The tool from its argument vector to its exit status.
int run_dlfgen(int argc, char** argv);

#endif  // DLFGEN_CLI_RUN_H_
