# SPDX-License-Identifier: MIT
# Cross-compiling dlfgen.exe for 64-bit Windows with Debian's MinGW-w64
# (apt-get install g++-mingw-w64-x86-64), e.g. the `windows` preset.
#
# The posix thread model is used, not win32: GCC 12's C++ library has
# std::mutex and std::thread only in the posix model, and GoogleTest 1.12
# needs them. dlfgen itself starts no thread and uses nothing of the C++
# library; the test programs link the model's libwinpthread in statically
# (CMakeLists.txt), so no program needs a DLL of MinGW's.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(DLFGEN_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${DLFGEN_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${DLFGEN_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${DLFGEN_MINGW_TRIPLET}-windres)

# Headers and libraries come from the MinGW tree only, programs from the
# build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${DLFGEN_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No CMAKE_CROSSCOMPILING_EMULATOR: a bare wine64 would run in ~/.wine,
# and the background processes it starts would hold the pipes ctest reads
# until they exit. The tests run the programs through tests/wine_run.sh,
# in a prefix of the build's own (tests/windows.cmake).
