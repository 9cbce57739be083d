// SPDX-License-Identifier: MIT
// parse_offset against the model of the offset notation, on any item.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "cli/lists.h"
#include "fuzz/check.h"
#include "fuzz/model.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  fuzz::start_input(data, size);
  // An exact-size terminated copy, so a read past the terminator is caught.
  std::unique_ptr<char[]> item(new char[size + 1]);
  std::memcpy(item.get(), data, size);
  item[size] = '\0';

  std::uint32_t parsed = parse_offset(item.get());
  FUZZ_CHECK(parsed == model::offset(item.get()));
  return 0;
}
