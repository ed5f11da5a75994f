// The MD5 message digest (RFC 1321), used for the APOP login. Safe from any thread.
#pragma once

#include <array>
#include <cstdint>
#include <string>

std::array<std::uint8_t, 16> Md5Digest(const std::string& bytes);
// The digest of the text's bytes as 32 lower-case hexadecimal digits.
std::string Md5Hex(const std::string& text);
