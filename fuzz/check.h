// SPDX-License-Identifier: MIT
// What a fuzz target does when the code and its model disagree: print the
// broken rule and the input, then abort so that libFuzzer keeps the input.
#ifndef DLFGEN_FUZZ_CHECK_H_
#define DLFGEN_FUZZ_CHECK_H_

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace fuzz {

// The input of the run under way, for the failure message.
inline const std::uint8_t* input_data = nullptr;
inline std::size_t input_size = 0;

// A copy of standard error taken before libFuzzer starts, so that failures
// still show when it silences the code under test (-close_fd_mask=2).
inline std::FILE* const failure_stream = fdopen(dup(STDERR_FILENO), "w");

// Run just before aborting, e.g. to leave a scratch folder so that the
// crash file lands where libFuzzer was started.
inline void (*before_failing)() = nullptr;

inline void start_input(const std::uint8_t* data, std::size_t size) {
  input_data = data;
  input_size = size;
}

[[noreturn]] inline void fail(const char* rule, const char* file, int line) {
  if (before_failing != nullptr) before_failing();
  std::FILE* out = failure_stream != nullptr ? failure_stream : stderr;
  std::fprintf(out, "%s:%d: check failed: %s\ninput (%zu bytes): \"", file,
               line, rule, input_size);
  for (std::size_t i = 0; i < input_size; ++i) {
    unsigned byte = input_data[i];
    if (byte >= 0x20 && byte < 0x7F && byte != '"' && byte != '\\')
      std::fputc(static_cast<int>(byte), out);
    else
      std::fprintf(out, "\\x%02X", byte);
  }
  std::fputs("\"\n", out);
  std::fflush(out);
  std::abort();
}

}  // namespace fuzz

#define FUZZ_CHECK(condition)         \
  ((condition) ? static_cast<void>(0) \
               : fuzz::fail(#condition, __FILE__, __LINE__))

#endif  // DLFGEN_FUZZ_CHECK_H_
