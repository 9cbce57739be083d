# SPDX-License-Identifier: MIT
# 32-bit x86 Linux with Debian's cross compiler (g++-i686-linux-gnu). The
# binaries run under qemu-i386 (qemu-user) with the cross compiler's own
# libraries; ctest and gtest_discover_tests run them through
# CMAKE_CROSSCOMPILING_EMULATOR.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(DLFGEN_TARGET_TRIPLE i686-linux-gnu)
set(DLFGEN_TARGET_ROOT /usr/${DLFGEN_TARGET_TRIPLE})
set(CMAKE_C_COMPILER ${DLFGEN_TARGET_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${DLFGEN_TARGET_TRIPLE}-g++)

# Libraries and headers of the target only; programs such as bash and
# readelf come from the build machine.
set(CMAKE_FIND_ROOT_PATH ${DLFGEN_TARGET_ROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(DLFGEN_QEMU_I386 qemu-i386)
if(DLFGEN_QEMU_I386)
  # Without a library path the target's loader reads this machine's
  # /etc/ld.so.cache and may load libc6-i386's C library, another glibc
  # build than its own; mixed, the unit tests hung.
  set(CMAKE_CROSSCOMPILING_EMULATOR ${DLFGEN_QEMU_I386}
      -L ${DLFGEN_TARGET_ROOT} -E LD_LIBRARY_PATH=${DLFGEN_TARGET_ROOT}/lib)
endif()
