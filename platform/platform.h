// SPDX-License-Identifier: MIT
// What the tool needs from the operating system, declared once here and
// implemented once per system: platform/posix.cc or platform/windows.cc,
// chosen by CMakeLists.txt. No other file of the tool includes an
// operating-system header.
#ifndef DLFGEN_PLATFORM_PLATFORM_H_
#define DLFGEN_PLATFORM_PLATFORM_H_

#include <cstddef>
#include <cstdint>

enum class measure_result { measured, cannot_open, too_large };

// Learns the size of a file by name without reading it and without ever
// waiting: a regular file, or a device that can seek, is measured; anything
// else (a folder, a FIFO, a socket, a terminal) cannot be opened. A file of
// more than 0xFFFFFFFF bytes is too large.
measure_result measure_file(const char* name, std::uint32_t& size);

// What a length found by measuring means, for every system: a negative
// length is none.
inline measure_result measure_length(std::int64_t length, std::uint32_t& size) {
  if (length < 0) return measure_result::cannot_open;
  if (static_cast<std::uint64_t>(length) > 0xFFFFFFFFu)
    return measure_result::too_large;
  size = static_cast<std::uint32_t>(length);
  return measure_result::measured;
}

enum class write_result { written, cannot_open, cannot_write };

// Creates or empties the file `name` and writes all `size` bytes of `bytes`
// to it in binary mode, checking both the write and the close. When the
// write fails, a regular file is removed so that no partial copy is left
// behind; a device is left alone. A file size limit makes the write fail
// instead of ending the process.
write_result write_whole_file(const char* name, const char* bytes,
                              std::size_t size);

// Whether standard output is a terminal (a console on Windows).
bool stdout_is_terminal();

#endif  // DLFGEN_PLATFORM_PLATFORM_H_
