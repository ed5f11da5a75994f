// A request file left by the companion helper.
#include "core/companion/request_file.h"
#include "fuzz/fuzz_driver.h"

void FuzzOne(const std::uint8_t* data, std::size_t size) {
  TakeRequestFile(WriteFuzzFile("HelpToWatch", data, size));
}
