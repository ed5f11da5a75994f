// Terminal output: the program's CP932 texts leave in the terminal's encoding (UTF-8).
#pragma once

#include <cstdio>
#include <string>

void PrintLine(const std::string& cp932Text, FILE* stream = stdout);
