// SPDX-License-Identifier: MIT
#include "cli/process_list.h"

#include <cstdio>

#include "platform/platform.h"

void add_process_files(char* value, process_list& processes, bool quiet,
                       int& error_count) {
  // The first file refused ends the value: the items after it are neither
  // opened nor reported.
  while (char* name = next_list_item(value)) {
    to_drive_letter_form(name);
    if (processes.process_count == max_list_entries) {
      std::fprintf(stderr, "too many process files: %s\n", name);
      ++error_count;
      return;
    }
    if (has_quote_or_line_break(name)) {
      std::fprintf(stderr, "name has a quote or line break: %s\n", name);
      ++error_count;
      return;
    }
    if (!quiet)
      std::printf("process %zu:     %s ", processes.process_count + 1, name);

    std::uint32_t size = 0;
    switch (measure_file(name, size)) {
      case measure_result::cannot_open:
        std::fprintf(stderr, "unable to open %s\n", name);
        ++error_count;
        return;
      case measure_result::too_large:
        std::fprintf(stderr, "file too large: %s\n", name);
        ++error_count;
        return;
      case measure_result::measured:
        break;
    }
    processes.process_names[processes.process_count] = name;
    processes.process_sizes[processes.process_count] = size;
    ++processes.process_count;
    if (!quiet) std::printf("(0x%08x)\n", static_cast<unsigned>(size));
  }
}

void add_offsets(char* value, offset_list& offsets, bool quiet) {
  while (char* item = next_list_item(value)) {
    std::uint32_t offset = parse_offset(item);
    if (offsets.offset_count < max_list_entries)
      offsets.offsets[offsets.offset_count] = offset;
    ++offsets.offset_count;
    if (!quiet)
      std::printf("offset %zu:     0x%08x\n", offsets.offset_count,
                  static_cast<unsigned>(offset));
  }
}
