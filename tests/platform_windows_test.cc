// SPDX-License-Identifier: MIT
// The platform layer on Windows: measuring files and devices by name,
// writing a file whole in binary mode, and telling a console from the rest.
// The test program carries dlfgen's manifest, so names are UTF-8 here as in
// the tool; fixtures are made with the wide functions, from the same names.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <io.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace {

std::wstring wide(const std::string& utf8) {
  int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.c_str(),
                                   -1, nullptr, 0);
  EXPECT_GT(length, 0) << utf8;
  if (length <= 0) return std::wstring();
  std::wstring text(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, text.data(), length);
  text.resize(static_cast<std::size_t>(length) - 1);
  return text;
}

// Each test gets its own folder under the temporary folder, removed with
// all it holds.
class PlatformWindows : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(GetACP(), static_cast<UINT>(CP_UTF8))
        << "the manifest's UTF-8 code page is not in effect";
    char temp[MAX_PATH];
    ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
    folder_ = std::string(temp) + "dlfgen-platform-" +
              std::to_string(GetCurrentProcessId()) + "-" +
              testing::UnitTest::GetInstance()->current_test_info()->name();
    ASSERT_TRUE(CreateDirectoryW(wide(folder_).c_str(), nullptr))
        << folder_ << ": " << GetLastError();
  }

  void TearDown() override {
    if (folder_.empty()) return;
    for (const std::string& file : made_) {
      SetFileAttributesW(wide(file).c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileW(wide(file).c_str());
    }
    for (auto folder = folders_.rbegin(); folder != folders_.rend(); ++folder)
      RemoveDirectoryW(wide(*folder).c_str());
    EXPECT_TRUE(RemoveDirectoryW(wide(folder_).c_str()))
        << folder_ << " is not empty: " << GetLastError();
  }

  std::string path(const std::string& name) const {
    return folder_ + "\\" + name;
  }

  // A file of `length` bytes: written out when small, sparse when large.
  std::string make_file(const std::string& name, std::uint64_t length) {
    std::string file = path(name);
    HANDLE handle = CreateFileW(wide(file).c_str(), GENERIC_WRITE, 0, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(handle, INVALID_HANDLE_VALUE) << file << ": " << GetLastError();
    if (handle == INVALID_HANDLE_VALUE) return file;
    made_.push_back(file);
    if (length <= 4096) {
      std::string bytes(static_cast<std::size_t>(length), 'x');
      DWORD written = 0;
      EXPECT_TRUE(WriteFile(handle, bytes.data(),
                            static_cast<DWORD>(bytes.size()), &written,
                            nullptr));
      EXPECT_EQ(written, bytes.size());
    } else {
      DWORD returned = 0;
      DeviceIoControl(handle, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0,
                      &returned, nullptr);
      LARGE_INTEGER end;
      end.QuadPart = static_cast<LONGLONG>(length);
      EXPECT_TRUE(SetFilePointerEx(handle, end, nullptr, FILE_BEGIN));
      EXPECT_TRUE(SetEndOfFile(handle)) << GetLastError();
    }
    CloseHandle(handle);
    return file;
  }

  std::string make_folder(const std::string& name) {
    std::string folder = path(name);
    EXPECT_TRUE(CreateDirectoryW(wide(folder).c_str(), nullptr))
        << folder << ": " << GetLastError();
    folders_.push_back(folder);
    return folder;
  }

  // A file the test expects the code under test to make.
  std::string will_make(const std::string& name) {
    made_.push_back(path(name));
    return made_.back();
  }

  // The whole content of a file, or "<missing>".
  static std::string content_of(const std::string& file) {
    HANDLE handle =
        CreateFileW(wide(file).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return "<missing>";
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(handle, buffer, sizeof buffer, &got, nullptr) && got > 0)
      bytes.append(buffer, got);
    CloseHandle(handle);
    return bytes;
  }

  std::string folder_;
  std::vector<std::string> made_;
  std::vector<std::string> folders_;
};

TEST_F(PlatformWindows, MeasuresFilesUpTo32BitsByTheirUtf8Names) {
  const struct {
    const char* name;
    std::uint64_t length;
    measure_result result;
  } cases[] = {
      {"empty.bin", 0, measure_result::measured},
      {"small.bin", 33, measure_result::measured},
      {"\xE5\xBC\x95\xE5\xAF\xBC.bin", 256, measure_result::measured},
      {"\xC3\xA9t\xC3\xA9 \xE2\x82\xAC.bin", 16, measure_result::measured},
      {"largest.bin", 0xFFFFFFFFull, measure_result::measured},
      {"too-large.bin", 0x100000000ull, measure_result::too_large},
      {"5-gib.bin", 0x140000000ull, measure_result::too_large},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string file = make_file(c.name, c.length);
    std::uint32_t size = 0x5A5A5A5A;
    EXPECT_EQ(measure_file(file.c_str(), size), c.result);
    if (c.result == measure_result::measured) {
      EXPECT_EQ(size, c.length);
    }
  }
}

TEST_F(PlatformWindows, MeasuresTheNullDeviceAsEmpty) {
  for (const char* name : {"NUL", "nul", "\\\\.\\NUL"}) {
    SCOPED_TRACE(name);
    std::uint32_t size = 0x5A5A5A5A;
    EXPECT_EQ(measure_file(name, size), measure_result::measured);
    EXPECT_EQ(size, 0u);
  }
}

// None of these has a size: each is refused at once, and nothing waits
// for input from the console or for the other end of a pipe.
TEST_F(PlatformWindows, CannotOpenWhatCannotBeMeasured) {
  std::string pipe_name =
      "\\\\.\\pipe\\dlfgen-platform-" + std::to_string(GetCurrentProcessId());
  HANDLE pipe =
      CreateNamedPipeA(pipe_name.c_str(), PIPE_ACCESS_DUPLEX,
                       PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0, nullptr);
  ASSERT_NE(pipe, INVALID_HANDLE_VALUE) << GetLastError();
  const std::string names[] = {
      path("missing.bin"),
      make_folder("folder"),
      make_folder("folder\\inner") + "\\",
      path("missing-folder\\a.bin"),
      pipe_name,
      pipe_name,  // its one instance is taken by the first: busy
      "\\\\.\\pipe\\dlfgen-no-such-pipe",
      "CON",
      "CONIN$",
      "CONOUT$",
      "",
  };
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    std::uint32_t size = 0x5A5A5A5A;
    ULONGLONG start = GetTickCount64();
    EXPECT_EQ(measure_file(name.c_str(), size), measure_result::cannot_open);
    EXPECT_LT(GetTickCount64() - start, 5000u);
    EXPECT_EQ(size, 0x5A5A5A5Au);
  }
  CloseHandle(pipe);
}

// Handles do no text translation: CR LF stays CR LF, a lone LF gets no CR,
// and Ctrl-Z, which ends a text stream, is one more byte.
TEST_F(PlatformWindows, WritesTheBytesAsTheyAre) {
  const std::string contents[] = {
      "v1.00\r\n0x0000000000000000,\"a.bin\"\r\n0x0000000000000100,\"\"\r\n",
      std::string("\n\r\n\r\r\n\x1A\0end", 10),
      "",
  };
  int index = 0;
  for (const std::string& content : contents) {
    std::string file = will_make("out" + std::to_string(index++) + ".dlf");
    SCOPED_TRACE(file);
    EXPECT_EQ(write_whole_file(file.c_str(), content.data(), content.size()),
              write_result::written);
    EXPECT_EQ(content_of(file), content);
  }
}

TEST_F(PlatformWindows, CreatesOrEmptiesTheFileByItsUtf8Name) {
  const std::string layout = "v1.00\r\n0x0000000000000000,\"\"\r\n";
  const struct {
    const char* name;
    std::uint64_t existing_length;  // 0: no file before
  } cases[] = {
      {"new.dlf", 0},
      {"longer-before.dlf", 4096},
      {"\xE5\xB8\x83\xE5\xB1\x80.dlf", 0},
      {"\xE5\xB8\x83\xE5\xB1\x80-old.dlf", 100},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string file = c.existing_length > 0
                           ? make_file(c.name, c.existing_length)
                           : will_make(c.name);
    EXPECT_EQ(write_whole_file(file.c_str(), layout.data(), layout.size()),
              write_result::written);
    EXPECT_EQ(content_of(file), layout);
  }
}

TEST_F(PlatformWindows, WritesToTheNullDevice) {
  const char bytes[] = "v1.00\r\n";
  EXPECT_EQ(write_whole_file("NUL", bytes, sizeof bytes - 1),
            write_result::written);
}

TEST_F(PlatformWindows, CannotCreateInAMissingFolderOrOverAFolder) {
  const std::string names[] = {
      path("missing-folder\\out.dlf"),
      make_folder("folder"),
      make_folder("folder\\inner") + "\\",
      "",
  };
  const char bytes[] = "v1.00\r\n";
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    EXPECT_EQ(write_whole_file(name.c_str(), bytes, sizeof bytes - 1),
              write_result::cannot_open);
  }
  EXPECT_EQ(content_of(path("missing-folder\\out.dlf")), "<missing>");
}

// Standard output on a file or on NUL is no console. The C library's
// _isatty calls NUL a terminal, being a character device.
TEST_F(PlatformWindows, StdoutOnAFileOrNulIsNoTerminal) {
  const std::string file = will_make("stdout.txt");
  ASSERT_EQ(std::fflush(stdout), 0);
  int saved = _dup(1);
  ASSERT_GE(saved, 0);
  struct redirect {
    std::string name;
    bool c_library_says_terminal;
  } redirects[] = {{file, false}, {"NUL", true}};
  for (const redirect& r : redirects) {
    int fd = _open(r.name.c_str(), _O_WRONLY | _O_CREAT | _O_BINARY, 0600);
    ASSERT_GE(fd, 0) << r.name;
    ASSERT_EQ(_dup2(fd, 1), 0);
    bool terminal = stdout_is_terminal();
    bool c_library = _isatty(1) != 0;
    _dup2(saved, 1);
    _close(fd);
    EXPECT_FALSE(terminal) << r.name;
    EXPECT_EQ(c_library, r.c_library_says_terminal) << r.name;
  }
  _close(saved);
}

}  // namespace
