// Form escaping (used for form data and for fields that must fit on one line) and base64.
// Safe to call from any thread.
#pragma once

#include <string>

std::string FormEscape(const std::string& text);
std::string FormUnescape(const std::string& text);
std::string Base64Encode(const std::string& bytes);
