// Addresses as the user typed them (CP932, perhaps with Japanese in the host, the path or
// the query) and as they go on the wire: UTF-8 percent-escapes for every non-ASCII byte
// of the path and query, and the host name in its IDNA (punycode) form. The stored
// address is never changed; the conversion is made for each request.
//
// libidn2 converts the host: libcurl would call it as well, but reads the name in the
// encoding of the process locale, which under the C locale of a service or CI turns every
// non-ASCII name away.
#pragma once

#include <string>

namespace platform {

// The address to send for `url` (CP932): true with `wire` set, or false with what is
// wrong in `fault` (a host name that is no international domain name).
bool WireUrl(const std::string& url, std::string& wire, std::string& fault);

// What makes `url` (CP932) no address the retriever can fetch: a scheme other than http
// and https, no host, a blank or a character no host name has, a port outside 1 to 65535,
// control characters. Empty when it is one. The message names the fault.
std::string UrlFault(const std::string& url);

}  // namespace platform
