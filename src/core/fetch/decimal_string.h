// Decimal numbers of any length held as digit strings, stepped up and down in 6-digit
// chunks (the numeric edit control's arithmetic).
#pragma once

#include <string>

std::string ZeroPad(const std::string& digits, std::size_t width);
std::string IncrementDecimal(const std::string& digits, bool keepWidth);
std::string DecrementDecimal(const std::string& digits, bool keepWidth);
bool IsAllZeros(const std::string& text);
int CompareDecimal(const std::string& a, const std::string& b);
