// Terminal output: the program's CP932 texts leave in the terminal's encoding (UTF-8).
// Terminal input: lines arrive in it and are given back as CP932.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

void PrintLine(const std::string& cp932Text, FILE* stream = stdout);
// Writes the CP932 text to standard error without a line end (a prompt).
void Prompt(const std::string& cp932Text);

inline constexpr std::uint32_t kWaitForInput = 0xFFFFFFFF;
// One line from standard input, without its line end, as CP932. At the end of the input
// the text read so far, or nothing when there was none; nothing when `timeoutMs` passes.
// `hidden`: a terminal does not echo what is typed.
std::optional<std::string> ReadInputLine(std::uint32_t timeoutMs, bool hidden = false);

// Prints a line that is UTF-8 already (JSON) to standard output.
void PrintUtf8Line(const std::string& utf8Text);

// A text from the terminal (an argument, an edited item) that CP932 cannot hold whole: a
// message naming the character goes to standard error, and true is returned. It would be
// stored with '?' in the character's place.
bool RefuseForeignText(std::string_view utf8);
