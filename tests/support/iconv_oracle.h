// glibc iconv as an independent converter for checking our own: the bytes of `input`
// converted from one encoding to another, or nothing when iconv rejects any of them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

std::optional<std::string> IconvConvert(const char* to, const char* from, std::string_view input);
