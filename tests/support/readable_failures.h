// Test failures in readable text: see readable_failures.cpp.
#pragma once

#include <string>
#include <string_view>

// A failure's message with the string literals GoogleTest printed and its raw text turned
// from CP932 into UTF-8 (a literal that is not CP932 text keeps its escapes).
std::string ReadableFailure(std::string_view message);
