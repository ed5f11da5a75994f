// Reading the text blocks of the program's records (fetch requests, watch items): whole
// lines, however long, and numbers that never overflow.
#pragma once

#include <cstdio>
#include <string>

// The next line of a text-mode file with its line feed (none at the end of the file), read
// whole whatever its length; a NUL byte inside it stays in it. false when nothing is left.
bool ReadWholeLine(FILE* file, std::string& line);

// atoi of a record's value, with a value out of range giving the nearest int.
int RecordInt(const char* text);
