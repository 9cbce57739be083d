// SPDX-License-Identifier: MIT
// Preloaded into dlfgen by the end-to-end test of running out of memory:
// every allocation of 64 KiB or more fails, smaller ones are served as
// usual. The C library's stdio buffers stay far below that.
#include <cstddef>

// glibc's own allocator, which its malloc calls too; the names are the
// C library's, not this file's to choose.
// NOLINTBEGIN(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
extern "C" void* __libc_malloc(std::size_t size);

extern "C" void* malloc(std::size_t size) {
  return size >= std::size_t{64} * 1024 ? nullptr : __libc_malloc(size);
}
// NOLINTEND(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
