// SPDX-License-Identifier: MIT
#include "cli/run.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cli/process_list.h"
#include "layout/layout_file.h"
#include "platform/platform.h"

#ifndef DLFGEN_VERSION
#error "DLFGEN_VERSION must name the tool's version"
#endif

namespace {

char default_output_name[] = "boot.dlf";

bool takes_value(char letter) {
  return letter == 's' || letter == 'p' || letter == 'l' || letter == 'o';
}

// `option_value` is the argument taken after the option, or nullptr when
// there was none.
void act_on_option(char letter, char* option_value, run_state& run) {
  if (takes_value(letter) && option_value == nullptr) {
    std::fprintf(stderr, "option -%c requires a value\n", letter);
    ++run.error_count;
    return;
  }
  switch (letter) {
    case 'c':
      run.compat = true;
      break;
    case 'q':
      run.quiet = true;
      break;
    case 'o':
      run.output_name = option_value;
      break;
    case 's':
      run.esf_name = option_value;
      if (!run.quiet) std::printf("esf file name: %s\n", option_value);
      break;
    case 'p':
      add_process_files(option_value, run.processes, run.quiet,
                        run.error_count);
      break;
    case 'l':
      add_offsets(option_value, run.offsets, run.quiet);
      break;
    default:
      std::fprintf(stderr, "unknown option %c\n", letter);
      ++run.error_count;
      break;
  }
}

void print_banner() {
  std::printf("MOX0 disk layout file generator. dlfgen %s\n", DLFGEN_VERSION);
  std::printf("Built : %s %s\n", __DATE__, __TIME__);
}

// An esf name is written between quotes in a version 2.00 layout.
void check_esf_name(run_state& run) {
  if (run.compat && run.esf_name != nullptr &&
      has_quote_or_line_break(run.esf_name)) {
    std::fprintf(stderr, "name has a quote or line break: %s\n", run.esf_name);
    ++run.error_count;
  }
}

// The output name always has a value: the default, or the value of an -o
// that had one.
bool request_is_refused(const run_state& run) {
  return (run.compat && run.esf_name == nullptr) ||
         run.processes.process_count == 0 || run.error_count > 0;
}

// On a terminal each message shows the moment it is printed, also a
// process line that is not yet ended. Standard error is never buffered.
void show_terminal_output_at_once() {
  if (stdout_is_terminal()) std::setvbuf(stdout, nullptr, _IONBF, 0);
}

// Places the files, writes the layout text and stores it under the output
// name in one piece. On failure prints why and returns false.
bool write_layout(const run_state& run) {
  const char* esf_name = run.compat ? run.esf_name : nullptr;
  std::size_t size = layout_size(run.processes, esf_name);
  char* text = static_cast<char*>(std::malloc(size));
  if (text == nullptr) {
    std::fprintf(stderr, "%s: out of memory\n", run.program_name);
    return false;
  }
  size = run.compat ? write_layout_v2(run.processes, esf_name, text)
                    : write_layout_v1(run.processes, run.offsets, text);
  if (size == 0) {
    std::free(text);
    std::fprintf(stderr, "%s: layout does not fit in 32-bit offsets\n",
                 run.program_name);
    return false;
  }
  // What was printed so far comes before the layout where both go to one
  // place, such as -o /dev/stdout.
  std::fflush(stdout);
  write_result result = write_whole_file(run.output_name, text, size);
  std::free(text);
  switch (result) {
    case write_result::written:
      return true;
    case write_result::cannot_open: {
      // Version 2.00 has always said so on standard output.
      std::FILE* stream = run.compat ? stdout : stderr;
      std::fprintf(stream, "%s: unable to open img output file\n",
                   run.program_name);
      return false;
    }
    case write_result::cannot_write:
      std::fprintf(stderr, "%s: unable to write img output file\n",
                   run.program_name);
      return false;
  }
  return false;
}

}  // namespace

void start_run_state(run_state& run, const char* program_name) {
  run.program_name = program_name;
  run.quiet = false;
  run.compat = false;
  run.esf_name = nullptr;
  run.output_name = default_output_name;
  run.error_count = 0;
  run.processes.process_count = 0;
  run.offsets.offset_count = 0;
}

bool scan_arguments(int argc, char** argv, run_state& run) {
  for (int index = 1; index < argc;) {
    const char* argument = argv[index++];
    char letter = '?';
    char* option_value = nullptr;
    if (argument[0] == '-' && argument[1] != '\0' && argument[2] == '\0') {
      letter = argument[1];
      // Every option letter takes a following argument that does not begin
      // with -, an empty one included; c, h, q and unknown letters ignore it.
      if (index < argc && argv[index][0] != '-') option_value = argv[index++];
    }
    if (letter == 'h') return false;
    act_on_option(letter, option_value, run);
  }
  return true;
}

int print_usage(const char* program_name, int status) {
  std::printf(
      "usage: %s [args]\n"
      "  -s esf                     # esf file name\n"
      "  -p <process1,process2,...> # process file list\n"
      "  -l <offset1,offset2,...>   # offset list\n"
      "  -o output                  # output file\n"
      "  -c                         # compat\n"
      "  -q                         # quiet\n",
      program_name);
  return status;
}

int run_dlfgen(int argc, char** argv) {
  show_terminal_output_at_once();
  run_state run;
  start_run_state(run, argc > 0 && argv[0] != nullptr ? argv[0] : "dlfgen");

  if (!scan_arguments(argc, argv, run)) return print_usage(run.program_name, 0);
  if (!run.quiet) print_banner();
  check_esf_name(run);
  if (request_is_refused(run)) return print_usage(run.program_name, 1);

  to_drive_letter_form(run.output_name);
  if (!write_layout(run)) return 1;
  if (!run.quiet) std::printf("Generated %s\n", run.output_name);
  return 0;
}
