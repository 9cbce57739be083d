// The list helpers behind -p and -l: cutting a list value into items,
// reading an offset, the drive-letter form of a name, the name check and
// measuring a process file.
#include "cli/process_list.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <future>
#include <string>
#include <thread>
#include <vector>

namespace {

// A writable, terminated copy of `text`, as the argument vector would be.
std::vector<char> writable(const std::string& text) {
  std::vector<char> buffer(text.begin(), text.end());
  buffer.push_back('\0');
  return buffer;
}

std::string quoted(const std::string& text) {
  return testing::PrintToString(text);
}

TEST(NextListItem, SplitsOnCommasAndDropsEmptyItems) {
  const struct {
    const char* value;
    std::vector<std::string> items;
  } cases[] = {
      {"a.bin", {"a.bin"}},
      {"a.bin,b.bin,c.bin", {"a.bin", "b.bin", "c.bin"}},
      {",a.bin", {"a.bin"}},
      {"a.bin,", {"a.bin"}},
      {"a.bin,,,b.bin", {"a.bin", "b.bin"}},
      {",,a,,b,,", {"a", "b"}},
      {",", {}},
      {",,,", {}},
      {"", {}},
      // Only the comma separates: spaces belong to the items.
      {" a , b ", {" a ", " b "}},
      {"my file.bin, other.bin", {"my file.bin", " other.bin"}},
      {"c,b,a", {"c", "b", "a"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("value " + quoted(c.value));
    std::vector<char> buffer = writable(c.value);
    char* cursor = buffer.data();
    std::vector<std::string> items;
    while (char* item = next_list_item(cursor)) {
      ASSERT_GE(item, buffer.data());
      ASSERT_LT(item, buffer.data() + buffer.size());
      items.emplace_back(item);
      ASSERT_LE(items.size(), c.items.size() + 1) << "too many items";
    }
    EXPECT_EQ(items, c.items);
    // The end of the list stays the end.
    EXPECT_EQ(next_list_item(cursor), nullptr);
  }
}

TEST(NextListItem, CutsTheValueInPlace) {
  std::vector<char> buffer = writable(",ab,,cd,e");
  char* cursor = buffer.data();

  char* first = next_list_item(cursor);
  ASSERT_EQ(first, buffer.data() + 1);
  EXPECT_STREQ(first, "ab");
  EXPECT_EQ(buffer[3], '\0') << "the comma after an item becomes its end";

  char* second = next_list_item(cursor);
  ASSERT_EQ(second, buffer.data() + 5);
  EXPECT_STREQ(second, "cd");
  EXPECT_EQ(buffer[7], '\0');

  char* third = next_list_item(cursor);
  ASSERT_EQ(third, buffer.data() + 8);
  EXPECT_STREQ(third, "e");

  EXPECT_EQ(next_list_item(cursor), nullptr);
  // The earlier items are left intact by the later cuts.
  EXPECT_STREQ(first, "ab");
  EXPECT_STREQ(second, "cd");
}

TEST(ParseOffset, ReadsBaseSignAndDigits) {
  const struct {
    const char* item;
    std::uint32_t value;
  } cases[] = {
      {"0", 0},
      {"42", 42},
      {"0x800", 0x800},
      {"0x10", 0x10},
      {"0X1f", 0x1F},
      {"0xAbCdEf01", 0xABCDEF01},
      {"010", 8},
      {"0777", 0777},
      {"  +42", 42},
      {"\t\n7", 7},
      {"\v\f\r 0x20", 0x20},
      // Digits end at the first character that is no digit of the base.
      {"12abc", 12},
      {"08", 0},
      {"0179", 017},
      {"0x1g", 0x1},
      {"100 200", 100},
      // No digits at all.
      {"zz", 0},
      {"", 0},
      {"   ", 0},
      {"0x", 0},
      {"0xg", 0},
      {"+", 0},
      {"- 5", 0},
      {"+-5", 0},
      // A minus sign negates modulo 2^32.
      {"-1", 0xFFFFFFFF},
      {"-0x20", 0xFFFFFFE0},
      {"-4294967295", 1},
      {"-0", 0},
      // The largest magnitude that fits, and the first ones that do not.
      {"4294967295", 0xFFFFFFFF},
      {"0xFFFFFFFF", 0xFFFFFFFF},
      {"037777777777", 0xFFFFFFFF},
      {"4294967296", 0xFFFFFFFF},
      {"0x100000000", 0xFFFFFFFF},
      {"040000000000", 0xFFFFFFFF},
      {"-4294967296", 0xFFFFFFFF},
      {"99999999999999999999999", 0xFFFFFFFF},
      {"-99999999999999999999999", 0xFFFFFFFF},
      {"0x00000000000000000010", 0x10},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("item " + quoted(c.item));
    EXPECT_EQ(parse_offset(c.item), c.value);
  }
}

TEST(ToDriveLetterForm, RewritesOnlyDoubleSlashNames) {
  const struct {
    const char* name;
    const char* rewritten;
  } cases[] = {
      {"//c/dir/file", "c:/dir/file"},
      {"//d/work/app.bin", "d:/work/app.bin"},
      {"//c", "c:"},
      {"//c/", "c:/"},
      {"//\xC3\xA9/x", "\xC3:\xA9/x"},
      {"//c/d\xC3\xA9j\xC3\xA0.bin", "c:/d\xC3\xA9j\xC3\xA0.bin"},
      // The third character is taken whatever it is.
      {"///x", "/:x"},
      // Left as they are.
      {"//", "//"},
      {"/", "/"},
      {"", ""},
      {"/d/work/app.bin", "/d/work/app.bin"},
      {"c:/x", "c:/x"},
      {"\\\\c\\x", "\\\\c\\x"},
      {"a//c/x", "a//c/x"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("name " + quoted(c.name));
    std::vector<char> buffer = writable(c.name);
    buffer.push_back('#');  // a guard byte past the terminator
    to_drive_letter_form(buffer.data());
    EXPECT_EQ(std::string(buffer.data()), c.rewritten);
    EXPECT_EQ(buffer.back(), '#');
  }
}

TEST(HasQuoteOrLineBreak, FindsQuotesCarriageReturnsAndLineFeeds) {
  const struct {
    const char* name;
    bool refused;
  } cases[] = {
      {"\"", true},
      {"a\"b.bin", true},
      {"\"a.bin\"", true},
      {"a.bin\r", true},
      {"\na.bin", true},
      {"dir\r\nfile", true},
      {"c:/work/a\xE9\"", true},
      {"", false},
      {"c:/work/a.bin", false},
      {"a,b.bin", false},
      {"my file.bin", false},
      {"tab\there", false},
      {"'single'", false},
      {"c:/d\xC3\xA9j\xC3\xA0/\xE9t\xE9.bin", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("name " + quoted(c.name));
    EXPECT_EQ(has_quote_or_line_break(c.name), c.refused);
  }
}

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
      {"largest.bin", 0xFFFFFFFFull, measure_result::measured},
      {"too-large.bin", 0x100000000ull, measure_result::too_large},
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
