// The mail's base64 encoding (RFC 2045 alphabet, "=" as fill) of files, bytes and texts,
// with "\r\n" after every `lineLength / 4` groups and after a last partial line. A line
// length below 4 (0) gives one unbroken run without any line break. Safe from any thread.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

// The 3-to-4 mapping of up to 3 bytes (`count` 1 to 3; missing bytes count as zero).
void B64EncodeBlock(const unsigned char in[3], int count, char out[4]);
void B64EncodeFile(FILE* in, FILE* out, int lineLength);
std::string B64EncodeBytes(const void* bytes, std::size_t count, int lineLength);
// The text up to its terminating zero.
std::string B64EncodeText(const char* text, int lineLength);
// Encodes the file at `inPath` into `outPath` (a line length below 4 counts as 4). false
// when a file cannot be opened, read or written.
bool B64EncodeFile(const std::string& inPath, const std::string& outPath, int lineLength);
