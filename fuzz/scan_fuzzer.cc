// SPDX-License-Identifier: MIT
// The command line in-process: the input, split at its NUL bytes, is the
// argument vector after the program name. The scan is checked against a
// model of the scanner, then the whole run against the exit status and the
// layout file that model predicts.
//
// Both open files by name, and the run creates its output file, so each
// input runs in a scratch folder of small fixtures made at start-up, and
// only when none of its names, once in drive-letter form, can leave that
// folder: none holds a '/' or is "..". The folder is left again before a
// failure is reported, so the crash file lands where libFuzzer was started.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cli/process_list.h"
#include "cli/run.h"
#include "fuzz/check.h"
#include "fuzz/model.h"

namespace {

struct fixture {
  const char* name;
  bool is_folder;
  std::uint64_t size;
};

// Sizes from the ordinary to the limits: 0xFFFFFFFF bytes fits a list but no
// layout, 2^32 does not fit a list at all (both are sparse). "c:" is what
// "//c" becomes.
const fixture fixtures[] = {
    {"a", false, 0x100},
    {"b", false, 0x21},
    {"e", false, 0},
    {"c:", false, 0x40},
    {"max", false, 0xFFFFFFFFu},
    {"big", false, std::uint64_t{1} << 32},
    {"dir", true, 0},
};

std::string folder;
long longest_name = 0;  // a longer output name cannot be created
int folder_fd = -1;
int home_fd = -1;

[[noreturn]] void setup_failed(const char* what) {
  std::perror(what);
  std::exit(1);
}

void enter_folder() {
  if (fchdir(folder_fd) != 0) setup_failed("scan_fuzzer: fchdir");
}

void leave_folder() {
  if (fchdir(home_fd) != 0) setup_failed("scan_fuzzer: fchdir");
}

const fixture* find_fixture(const std::string& name) {
  const fixture* const found =
      std::find_if(std::begin(fixtures), std::end(fixtures),
                   [&name](const fixture& f) { return f.name == name; });
  return found == std::end(fixtures) ? nullptr : found;
}

// Puts each fixture back to its size and removes everything else; only the
// size of a process file is ever looked at. Called inside the folder.
void restore_fixtures() {
  for (const fixture& f : fixtures) {
    if (f.is_folder) {
      if (mkdir(f.name, 0755) != 0 && errno != EEXIST)
        setup_failed("scan_fuzzer: mkdir");
      continue;
    }
    struct stat status;
    if (stat(f.name, &status) == 0 &&
        static_cast<std::uint64_t>(status.st_size) == f.size)
      continue;
    int fd = open(f.name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || ftruncate(fd, static_cast<off_t>(f.size)) != 0)
      setup_failed("scan_fuzzer: fixture");
    close(fd);
  }
  DIR* entries = opendir(".");
  if (entries == nullptr) setup_failed("scan_fuzzer: opendir");
  std::vector<std::string> others;
  while (const dirent* entry = readdir(entries)) {
    std::string name = entry->d_name;
    if (name != "." && name != ".." && find_fixture(name) == nullptr)
      others.push_back(name);
  }
  closedir(entries);
  for (const std::string& name : others) unlink(name.c_str());
}

void remove_folder() {
  if (fchdir(folder_fd) != 0) return;
  DIR* entries = opendir(".");
  if (entries != nullptr) {
    while (const dirent* entry = readdir(entries)) {
      std::string name = entry->d_name;
      if (name != "." && name != ".." && unlink(name.c_str()) != 0)
        rmdir(name.c_str());
    }
    closedir(entries);
  }
  if (fchdir(home_fd) == 0) rmdir(folder.c_str());
}

bool has_quote_or_line_break_model(const std::string& name) {
  return name.find_first_of("\"\r\n") != std::string::npos;
}

// A name in drive-letter form that stays in the current folder: no '/',
// and not its parent.
bool names_inside(const std::string& name) {
  const std::string used = model::drive_letter_form(name);
  return used.find('/') == std::string::npos && used != "..";
}

// True when the argument, as an output name or as a list of process names,
// names nothing outside the folder.
bool stays_in_folder(const std::string& argument) {
  const std::vector<std::string> items = model::items(argument);
  return names_inside(argument) &&
         std::all_of(items.begin(), items.end(), names_inside);
}

// What the scan should leave behind.
struct expected_scan {
  bool goes_on = true;  // false: -h was met
  bool quiet = false;
  bool compat = false;
  bool has_esf = false;
  std::string esf;
  std::string output = "boot.dlf";
  int errors = 0;
  std::vector<std::string> names;
  std::vector<std::uint32_t> sizes;
  std::vector<std::uint32_t> offsets;  // every one met, also past 256
};

void expect_process_files(const std::string& value, expected_scan& scan) {
  for (const std::string& item : model::items(value)) {
    std::string name = model::drive_letter_form(item);
    const fixture* file = find_fixture(name);
    // Each refusal ends the value.
    if (scan.names.size() == max_list_entries ||
        has_quote_or_line_break_model(name) || file == nullptr ||
        file->is_folder || file->size > 0xFFFFFFFFu) {
      ++scan.errors;
      return;
    }
    scan.names.push_back(name);
    scan.sizes.push_back(static_cast<std::uint32_t>(file->size));
  }
}

expected_scan expect_scan(const std::vector<std::string>& arguments) {
  expected_scan scan;
  for (std::size_t i = 0; i < arguments.size();) {
    const std::string& argument = arguments[i++];
    if (argument.size() != 2 || argument[0] != '-') {
      ++scan.errors;  // not an option
      continue;
    }
    const char letter = argument[1];
    const std::string* value = nullptr;
    if (i < arguments.size() && arguments[i].rfind('-', 0) != 0)
      value = &arguments[i++];
    if (letter == 'h') {
      scan.goes_on = false;
      return scan;
    }
    const bool takes_value =
        letter == 's' || letter == 'p' || letter == 'o' || letter == 'l';
    if (value == nullptr && takes_value) {
      ++scan.errors;  // requires a value
      continue;
    }
    switch (letter) {
      case 'c':
        scan.compat = true;
        break;
      case 'q':
        scan.quiet = true;
        break;
      case 'o':
        scan.output = *value;
        break;
      case 's':
        scan.has_esf = true;
        scan.esf = *value;
        break;
      case 'p':
        expect_process_files(*value, scan);
        break;
      case 'l':
        for (const std::string& item : model::items(*value))
          scan.offsets.push_back(model::offset(item));
        break;
      default:
        ++scan.errors;  // unknown letter
        break;
    }
  }
  return scan;
}

// The argument vector as the platform gives it: one exact-size writable
// string each, so that a read or write past one is caught.
class argument_vector {
 public:
  explicit argument_vector(const std::vector<std::string>& arguments) {
    add("dlfgen");
    for (const std::string& argument : arguments) add(argument);
    pointers_.push_back(nullptr);
  }
  int argc() const { return static_cast<int>(strings_.size()); }
  char** argv() { return pointers_.data(); }

  bool holds(const char* at) const {
    std::less_equal<const char*> not_after;
    std::less<const char*> before;
    for (std::size_t i = 0; i < strings_.size(); ++i)
      if (not_after(strings_[i].get(), at) &&
          before(at, strings_[i].get() + lengths_[i] + 1))
        return true;
    return false;
  }

 private:
  void add(const std::string& text) {
    strings_.emplace_back(new char[text.size() + 1]);
    std::memcpy(strings_.back().get(), text.c_str(), text.size() + 1);
    lengths_.push_back(text.size());
    pointers_.push_back(strings_.back().get());
  }
  std::vector<std::unique_ptr<char[]>> strings_;
  std::vector<std::size_t> lengths_;
  std::vector<char*> pointers_;
};

void check_scan(const expected_scan& expected, bool goes_on,
                const run_state& run, const argument_vector& arguments) {
  FUZZ_CHECK(goes_on == expected.goes_on);
  FUZZ_CHECK(run.quiet == expected.quiet);
  FUZZ_CHECK(run.compat == expected.compat);
  FUZZ_CHECK((run.esf_name != nullptr) == expected.has_esf);
  if (run.esf_name != nullptr) {
    FUZZ_CHECK(arguments.holds(run.esf_name));
    FUZZ_CHECK(run.esf_name == expected.esf);
  }
  FUZZ_CHECK(run.output_name != nullptr && run.output_name == expected.output);
  FUZZ_CHECK(run.error_count >= 0 && run.error_count == expected.errors);

  const process_list& processes = run.processes;
  FUZZ_CHECK(processes.process_count <= max_list_entries);
  FUZZ_CHECK(processes.process_count == expected.names.size());
  for (std::size_t k = 0; k < processes.process_count; ++k) {
    const char* name = processes.process_names[k];
    // A piece of an argument, never a copy.
    FUZZ_CHECK(name != nullptr && arguments.holds(name));
    FUZZ_CHECK(name[0] != '\0' && std::strchr(name, ',') == nullptr);
    FUZZ_CHECK(std::strpbrk(name, "\"\r\n") == nullptr);
    FUZZ_CHECK(name == expected.names[k]);
    FUZZ_CHECK(processes.process_sizes[k] == expected.sizes[k]);
  }

  FUZZ_CHECK(run.offsets.offset_count == expected.offsets.size());
  for (std::size_t k = 0; k < run.offsets.offset_count && k < max_list_entries;
       ++k)
    FUZZ_CHECK(run.offsets.offsets[k] == expected.offsets[k]);
}

std::string layout_line(std::uint64_t offset, const std::string& name) {
  char field[32];
  std::snprintf(field, sizeof field, "0x00000000%08X",
                static_cast<unsigned>(offset));
  return field + (",\"" + name + "\"\r\n");
}

// The exit status of the whole run, and the layout text when it is 0.
int expect_run(const expected_scan& scan, std::string& text) {
  if (!scan.goes_on) return 0;
  if ((scan.compat &&
       (!scan.has_esf || has_quote_or_line_break_model(scan.esf))) ||
      scan.names.empty() || scan.errors > 0)
    return 1;

  std::vector<std::uint32_t> explicit_offsets;
  if (!scan.compat)
    for (std::size_t k = 0; k < scan.offsets.size() && k < scan.names.size();
         ++k)
      explicit_offsets.push_back(scan.offsets[k]);
  const model::layout placed = model::place(scan.sizes, explicit_offsets);
  if (!placed.fits) return 1;

  const std::string output = model::drive_letter_form(scan.output);
  const fixture* existing = find_fixture(output);
  if (output.empty() || output == "." || output == ".." ||
      output.size() > static_cast<std::size_t>(longest_name) ||
      (existing && existing->is_folder))
    return 1;

  text = scan.compat ? "v2.00\r\nZUN_CONFIG_FILE,\"" + scan.esf + "\"\r\n"
                     : "v1.00\r\n";
  for (std::size_t k = 0; k < scan.names.size(); ++k)
    text += layout_line(placed.offsets[k], scan.names[k]);
  text += layout_line(placed.end, "");
  return 0;
}

// Every entry of the folder but . and .., with its size (-1: a folder).
std::map<std::string, long long> folder_entries() {
  std::map<std::string, long long> found;
  DIR* entries = opendir(".");
  if (entries == nullptr) setup_failed("scan_fuzzer: opendir");
  while (const dirent* entry = readdir(entries)) {
    std::string name = entry->d_name;
    struct stat status;
    if (name == "." || name == ".." || lstat(name.c_str(), &status) != 0)
      continue;
    found[name] = S_ISDIR(status.st_mode) ? -1 : status.st_size;
  }
  closedir(entries);
  return found;
}

std::string file_text(const std::string& name) {
  std::ifstream file(name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  if (std::freopen("/dev/null", "w", stdout) == nullptr)
    setup_failed("scan_fuzzer: /dev/null");

  const char* tmp = std::getenv("TMPDIR");
  std::string pattern =
      std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") +
      "/dlfgen-scan-fuzzer.XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) setup_failed("scan_fuzzer: mkdtemp");
  folder = pattern;
  folder_fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  home_fd = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder_fd < 0 || home_fd < 0) setup_failed("scan_fuzzer: open");
  longest_name = fpathconf(folder_fd, _PC_NAME_MAX);
  if (longest_name <= 0) setup_failed("scan_fuzzer: fpathconf");
  fuzz::before_failing = leave_folder;
  std::atexit(remove_folder);

  enter_folder();
  restore_fixtures();
  leave_folder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  fuzz::start_input(data, size);
  // Each NUL ends an argument, as in the platform's strings; so does the
  // end of the input, unless nothing is left.
  std::vector<std::string> arguments;
  std::string argument;
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] != '\0') {
      argument += static_cast<char>(data[i]);
      continue;
    }
    arguments.push_back(argument);
    argument.clear();
  }
  if (!argument.empty()) arguments.push_back(argument);
  if (!std::all_of(arguments.begin(), arguments.end(), stays_in_folder))
    return -1;  // not kept in the corpus

  enter_folder();
  const expected_scan expected = expect_scan(arguments);

  argument_vector scanned(arguments);
  run_state run;
  start_run_state(run, scanned.argv()[0]);
  FUZZ_CHECK(run.program_name == scanned.argv()[0]);
  bool goes_on = scan_arguments(scanned.argc(), scanned.argv(), run);
  check_scan(expected, goes_on, run, scanned);

  // The whole run, on a fresh copy: the scan cut and rewrote the first.
  argument_vector whole(arguments);
  std::string expected_text;
  const int expected_status = expect_run(expected, expected_text);
  const int status = run_dlfgen(whole.argc(), whole.argv());
  FUZZ_CHECK(status == expected_status);

  // Nothing in the folder changes but the layout file of a run that wrote
  // one.
  const bool written = status == 0 && expected.goes_on;
  const std::string output = model::drive_letter_form(expected.output);
  std::map<std::string, long long> entries = folder_entries();
  if (written) {
    FUZZ_CHECK(entries.count(output) == 1);
    FUZZ_CHECK(file_text(output) == expected_text);
    entries.erase(output);
  }
  for (const fixture& f : fixtures) {
    // cppcheck-suppress knownConditionTrueFalse ; it loses track of written
    if (written && output == f.name) continue;
    auto entry = entries.find(f.name);
    FUZZ_CHECK(entry != entries.end());
    FUZZ_CHECK(entry->second ==
               (f.is_folder ? -1 : static_cast<long long>(f.size)));
    entries.erase(entry);
  }
  FUZZ_CHECK(entries.empty());

  restore_fixtures();
  leave_folder();
  return 0;
}
