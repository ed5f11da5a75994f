// Splitting and checking the addresses and dates the HTTP layer deals with.
#pragma once

#include <string>

namespace platform {

// The parts of an http or https URL; scheme in lower case, object beginning with '/'.
struct HttpUrl {
  std::string scheme;
  std::string host;  // without brackets for an IPv6 address
  int port = 0;
  std::string object;  // path and query
};
// false when the URL is not http or https or cannot be split.
bool ParseHttpUrl(const std::string& url, HttpUrl& parts);
// Header names, schemes and host names compare without regard to ASCII case.
bool EqualNoCase(const std::string& a, const std::string& b);

// The hosts of the bypass list "<local>".
bool IsLocalHost(const std::string& host);

// A date of an HTTP header, as written there (GMT).
struct HttpDate {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
bool ParseHttpDate(const std::string& text, HttpDate& date);

// The URL with the bytes its syntax does not allow (blanks, controls, CP932 bytes)
// escaped as %XX.
std::string EscapeUrl(const std::string& url);

}  // namespace platform
