// SPDX-License-Identifier: MIT
// The platform layer on Windows. Names are passed to the ANSI functions
// unchanged: the manifest linked into dlfgen.exe makes the ANSI code page
// UTF-8, so the names arrive from the command line and go to the file
// system as UTF-8.
#include <io.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>

#include "platform/platform.h"

namespace {

// Shared for everything: a file another program is writing can still be
// measured, as on POSIX systems.
constexpr DWORD share_all =
    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool is_console(HANDLE handle) {
  DWORD mode;
  return GetConsoleMode(handle, &mode) != 0;
}

// A serial port answers GetCommProperties; it has no end to seek to.
bool is_communications_device(HANDLE handle) {
  COMMPROP properties;
  return GetCommProperties(handle, &properties) != 0;
}

// The size of what `handle` was opened on, or -1 when it has none: a
// regular file's length, or where a device that can seek ends (NUL ends at
// 0). Pipes, consoles and serial ports cannot seek.
LONGLONG length_of(HANDLE handle) {
  LARGE_INTEGER length;
  switch (GetFileType(handle)) {
    case FILE_TYPE_DISK:
      return GetFileSizeEx(handle, &length) ? length.QuadPart : -1;
    case FILE_TYPE_CHAR: {
      if (is_console(handle) || is_communications_device(handle)) return -1;
      LARGE_INTEGER zero = {};
      return SetFilePointerEx(handle, zero, &length, FILE_END) ? length.QuadPart
                                                               : -1;
    }
    default:
      return -1;
  }
}

}  // namespace

measure_result measure_file(const char* name, std::uint32_t& size) {
  // Opening never waits: a folder cannot be opened without
  // FILE_FLAG_BACKUP_SEMANTICS, and a busy pipe fails at once. Nothing is
  // ever read.
  HANDLE handle = CreateFileA(name, GENERIC_READ, share_all, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return measure_result::cannot_open;

  LONGLONG length = length_of(handle);
  measure_result result = measure_length(length, size);
  CloseHandle(handle);
  return result;
}

namespace {

bool write_all(HANDLE handle, const char* bytes, std::size_t size) {
  while (size > 0) {
    DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(handle, bytes, chunk, &written, nullptr) || written == 0)
      return false;
    bytes += written;
    size -= written;
  }
  return true;
}

// A regular file by its name, not a folder, a device or a link: only such
// a file is removed after a failed write, as on POSIX systems.
bool is_regular_file(const char* name) {
  DWORD attributes = GetFileAttributesA(name);
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE |
                        FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
}

}  // namespace

// The file is written in place, not to a temporary file that is then
// renamed over it: a rename would replace a symbolic link instead of
// writing through it, could not reach a device such as CON or NUL, and
// fails in a read-only folder that holds a writable file.
write_result write_whole_file(const char* name, const char* bytes,
                              std::size_t size) {
  // Handles do no text translation: the bytes, CR LF included, are written
  // as they are. An existing file is emptied in place rather than created
  // anew (CREATE_ALWAYS), which Windows refuses for a hidden or system
  // file; its attributes stay, as O_TRUNC keeps a file's mode.
  HANDLE handle =
      CreateFileA(name, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return write_result::cannot_open;

  // Only a file on a disk has an end to cut, and can be removed; a device
  // is left alone.
  bool on_disk = GetFileType(handle) == FILE_TYPE_DISK;
  if (on_disk && !SetEndOfFile(handle)) {
    CloseHandle(handle);
    return write_result::cannot_open;
  }
  bool written = write_all(handle, bytes, size);
  if (!written && on_disk) {
    // Empty what was written, also behind a link.
    LARGE_INTEGER zero = {};
    if (SetFilePointerEx(handle, zero, nullptr, FILE_BEGIN))
      SetEndOfFile(handle);
  }
  if (!CloseHandle(handle)) written = false;
  if (written) return write_result::written;

  // A short copy could pass for a good one.
  if (on_disk && is_regular_file(name)) DeleteFileA(name);
  return write_result::cannot_write;
}

// _isatty is true for NUL too, which is a character device; only a console
// answers GetConsoleMode.
bool stdout_is_terminal() {
  std::intptr_t handle = _get_osfhandle(_fileno(stdout));
  if (handle == -1) return false;
  // The C library gives the handle as an integer.
  // NOLINTNEXTLINE(performance-no-int-to-ptr)
  return is_console(reinterpret_cast<HANDLE>(handle));
}
