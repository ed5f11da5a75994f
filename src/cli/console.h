// Terminal output: the program's CP932 texts leave in the terminal's encoding (UTF-8).
#pragma once

#include <cstdio>
#include <string>

void PrintLine(const std::string& cp932Text, FILE* stream = stdout);
// Prints a line that is UTF-8 already (JSON) to standard output.
void PrintUtf8Line(const std::string& utf8Text);
