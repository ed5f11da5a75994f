#include "platform/http_url.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace platform {

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() && EqualNoCase(text.substr(0, prefix.size()), prefix);
}

bool ParsePort(const std::string& text, int& port) {
  if (text.empty() || text.size() > 5) return false;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  if (value < 1 || value > 65535) return false;
  port = value;
  return true;
}

bool IsIpv4Loopback(const std::string& host) {
  if (host.compare(0, 4, "127.") != 0) return false;
  int dots = 0;
  for (char c : host) {
    if (c == '.') {
      ++dots;
    } else if (c < '0' || c > '9') {
      return false;
    }
  }
  return dots == 3;
}

}  // namespace

bool EqualNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

// Bytes the URL syntax does not allow (blanks, controls, CP932 bytes) are escaped, as a
// browser does before sending.
std::string EscapeUrl(const std::string& url) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(url.size());
  for (unsigned char c : url) {
    if (c <= 0x20 || c >= 0x7F || c == '"' || c == '<' || c == '>' || c == '\\' || c == '^' ||
        c == '`' || c == '{' || c == '|' || c == '}') {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

bool ParseHttpUrl(const std::string& url, HttpUrl& parts) {
  std::size_t rest;
  if (StartsWithNoCase(url, "http://")) {
    parts.scheme = "http";
    parts.port = 80;
    rest = 7;
  } else if (StartsWithNoCase(url, "https://")) {
    parts.scheme = "https";
    parts.port = 443;
    rest = 8;
  } else {
    return false;
  }
  std::size_t end = url.find_first_of("/?#", rest);
  std::string authority = url.substr(rest, end == std::string::npos ? std::string::npos : end - rest);
  std::size_t at = authority.rfind('@');
  if (at != std::string::npos) authority.erase(0, at + 1);
  std::string host = authority;
  std::string port;
  if (!authority.empty() && authority[0] == '[') {
    std::size_t close = authority.find(']');
    if (close == std::string::npos) return false;
    host = authority.substr(1, close - 1);
    std::string after = authority.substr(close + 1);
    if (!after.empty()) {
      if (after[0] != ':') return false;
      port = after.substr(1);
      if (port.empty()) return false;
    }
  } else {
    std::size_t colon = authority.find(':');
    if (colon != std::string::npos) {
      host = authority.substr(0, colon);
      port = authority.substr(colon + 1);
      if (port.empty()) return false;
    }
  }
  if (host.empty()) return false;
  if (!port.empty() && !ParsePort(port, parts.port)) return false;
  parts.host = host;
  std::string object = end == std::string::npos ? std::string() : url.substr(end);
  std::size_t hash = object.find('#');
  if (hash != std::string::npos) object.erase(hash);
  if (object.empty() || object[0] != '/') object = "/" + object;
  parts.object = object;
  return true;
}

bool IsLocalHost(const std::string& host) {
  std::string lower = host;
  std::transform(lower.begin(), lower.end(), lower.begin(), Lower);
  if (lower == "localhost" || lower == "::1" || IsIpv4Loopback(lower)) return true;
  // Other IPv6 addresses have no dot either, but are not local names.
  return lower.find('.') == std::string::npos && lower.find(':') == std::string::npos;
}

namespace {

int MonthNumber(const char* name) {
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  for (int i = 0; i < 12; ++i) {
    if (std::strcmp(name, kMonths[i]) == 0) return i + 1;
  }
  return 0;
}

// The zone after the time: HTTP dates are GMT (some servers write UTC).
bool IsGmt(const char* zone) { return std::strcmp(zone, "GMT") == 0 || std::strcmp(zone, "UTC") == 0; }

// The date is one of the calendar (no 31 April), as a round trip through timegm tells.
bool IsCalendarDate(const HttpDate& date) {
  if (date.month < 1 || date.hour > 23 || date.minute > 59 || date.second > 60 || date.day < 1 ||
      date.hour < 0 || date.minute < 0 || date.second < 0 || date.year < 1601 || date.year > 9999) {
    return false;
  }
  std::tm parts{};
  parts.tm_year = date.year - 1900;
  parts.tm_mon = date.month - 1;
  parts.tm_mday = date.day;
  parts.tm_hour = 12;
  std::time_t when = timegm(&parts);
  std::tm back{};
  return gmtime_r(&when, &back) && back.tm_mday == date.day && back.tm_mon == date.month - 1;
}

}  // namespace

// The three forms HTTP allows, read strictly: a date that is not one of them, or names no
// real day, is no date (a lenient reader fills gaps from the current time, so the same
// header would give another date at every check).
bool ParseHttpDate(const std::string& text, HttpDate& date) {
  HttpDate read;
  char weekday[16] = "", month[4] = "", zone[8] = "", rest = 0;
  const char* value = text.c_str();
  bool parsed =
      // Sun, 06 Nov 1994 08:49:37 GMT
      (std::sscanf(value, "%15[A-Za-z], %d %3s %d %d:%d:%d %7s %c", weekday, &read.day, month,
                   &read.year, &read.hour, &read.minute, &read.second, zone, &rest) == 8 &&
       std::strlen(weekday) == 3 && IsGmt(zone)) ||
      // Sunday, 06-Nov-94 08:49:37 GMT
      (std::sscanf(value, "%15[A-Za-z], %d-%3s-%d %d:%d:%d %7s %c", weekday, &read.day, month,
                   &read.year, &read.hour, &read.minute, &read.second, zone, &rest) == 8 &&
       IsGmt(zone)) ||
      // Sun Nov  6 08:49:37 1994
      (std::sscanf(value, "%15[A-Za-z] %3s %d %d:%d:%d %d %c", weekday, month, &read.day,
                   &read.hour, &read.minute, &read.second, &read.year, &rest) == 7 &&
       std::strlen(weekday) == 3);
  if (!parsed) return false;
  if (read.year >= 0 && read.year < 100) read.year += read.year < 70 ? 2000 : 1900;
  read.month = MonthNumber(month);
  if (!IsCalendarDate(read)) return false;
  date = read;
  return true;
}

}  // namespace platform
