// SPDX-License-Identifier: MIT
// Measuring a file by name on POSIX systems: regular files up to 32 bits,
// devices that can seek, and everything else refused without waiting.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"

namespace {

// Each test gets its own folder under /tmp, removed with all it holds.
class MeasureFile : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/dlfgen-measure-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr) << std::strerror(errno);
    folder_ = pattern;
  }

  void TearDown() override {
    if (folder_.empty()) return;
    for (const std::string& file : made_) unlink(file.c_str());
    for (const std::string& folder : folders_) rmdir(folder.c_str());
    EXPECT_EQ(rmdir(folder_.c_str()), 0) << std::strerror(errno);
  }

  std::string path(const char* name) const { return folder_ + "/" + name; }

  // A regular file of `length` bytes: written out when small, sparse when
  // large.
  std::string make_file(const char* name, std::uint64_t length) {
    std::string file = path(name);
    int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    EXPECT_GE(fd, 0) << file << ": " << std::strerror(errno);
    if (fd < 0) return file;
    made_.push_back(file);
    if (length <= 4096) {
      std::string bytes(static_cast<std::size_t>(length), 'x');
      EXPECT_EQ(write(fd, bytes.data(), bytes.size()),
                static_cast<ssize_t>(bytes.size()));
    } else {
      EXPECT_EQ(ftruncate(fd, static_cast<off_t>(length)), 0)
          << std::strerror(errno);
    }
    close(fd);
    return file;
  }

  std::string make_folder(const char* name) {
    std::string folder = path(name);
    EXPECT_EQ(mkdir(folder.c_str(), 0755), 0) << std::strerror(errno);
    folders_.push_back(folder);
    return folder;
  }

  // A bound local socket: its name exists in the folder but cannot be
  // opened as a file.
  std::string make_socket(const char* name) {
    std::string socket_path = path(name);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    EXPECT_LT(socket_path.size(), sizeof address.sun_path);
    std::strncpy(address.sun_path, socket_path.c_str(),
                 sizeof address.sun_path - 1);
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    EXPECT_GE(fd, 0) << std::strerror(errno);
    EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address),
              0)
        << std::strerror(errno);
    close(fd);
    made_.push_back(socket_path);
    return socket_path;
  }

  std::string make_fifo(const char* name) {
    std::string fifo = path(name);
    EXPECT_EQ(mkfifo(fifo.c_str(), 0644), 0) << std::strerror(errno);
    made_.push_back(fifo);
    return fifo;
  }

  std::string folder_;
  std::vector<std::string> made_;
  std::vector<std::string> folders_;
};

TEST_F(MeasureFile, MeasuresRegularFilesUpTo32Bits) {
  const struct {
    const char* name;
    std::uint64_t length;
    measure_result result;
  } cases[] = {
      {"empty.bin", 0, measure_result::measured},
      {"small.bin", 33, measure_result::measured},
      {"three-gib.bin", 0xC0000000ull, measure_result::measured},
      {"largest.bin", 0xFFFFFFFFull, measure_result::measured},
      {"too-large.bin", 0x100000000ull, measure_result::too_large},
      {"five-gib.bin", 0x140000000ull, measure_result::too_large},
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

TEST_F(MeasureFile, CannotOpenMissingFilesFoldersOrSockets) {
  const std::string missing = path("missing.bin");
  const std::string folder = make_folder("folder");
  const std::string missing_inside = path("missing-folder/a.bin");
  const std::string socket_file = make_socket("socket");
  for (const std::string* name :
       {&missing, &folder, &missing_inside, &socket_file}) {
    SCOPED_TRACE(*name);
    std::uint32_t size = 0;
    EXPECT_EQ(measure_file(name->c_str(), size), measure_result::cannot_open);
  }
}

TEST_F(MeasureFile, RefusesAFifoWithoutWaitingForAWriter) {
  const std::string fifo = make_fifo("pipe");
  std::uint32_t size = 0;
  std::packaged_task<measure_result()> task(
      [&fifo, &size] { return measure_file(fifo.c_str(), size); });
  std::future<measure_result> result = task.get_future();
  std::thread measuring(std::move(task));

  if (result.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
    ADD_FAILURE() << "measure_file is still waiting on the FIFO";
    // Open the other end so that the waiting open returns and the thread
    // can be joined.
    int writer = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    measuring.join();
    if (writer >= 0) close(writer);
    return;
  }
  measuring.join();
  EXPECT_EQ(result.get(), measure_result::cannot_open);
}

TEST_F(MeasureFile, MeasuresTheNullDeviceAsEmpty) {
  std::uint32_t size = 0x5A5A5A5A;
  EXPECT_EQ(measure_file("/dev/null", size), measure_result::measured);
  EXPECT_EQ(size, 0u);
}

}  // namespace
