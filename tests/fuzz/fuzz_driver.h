// The harness side of the program's fuzzer: each harness defines FuzzOne, which feeds one
// input to one reader of the program. The driver (fuzz_driver.cpp) replays a corpus or,
// in a build with coverage instrumentation, searches for inputs that reach new code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Feeds `size` bytes to the reader under test. Must not keep state between calls.
void FuzzOne(const std::uint8_t* data, std::size_t size);

// A scratch folder of this process for harnesses whose reader takes a file (created once).
const std::string& FuzzScratchFolder();
// Writes `size` bytes to `name` in the scratch folder; its path.
std::string WriteFuzzFile(const std::string& name, const std::uint8_t* data, std::size_t size);
