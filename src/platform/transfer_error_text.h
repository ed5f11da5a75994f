// The messages of failed transfers as the user reads them in a result row: a Japanese
// sentence of ours saying what went wrong, followed by the library's technical text in
// parentheses for whoever needs the detail.
#pragma once

#include <string>

namespace platform {

// `curlCode` is the CURLcode of the failed transfer, `connectCode` the status the proxy
// gave to a CONNECT (0 when none), `proxyLogin` whether the proxy was given a login,
// `detail` the library's message.
std::string TransferErrorText(int curlCode, long connectCode, bool proxyLogin,
                              const std::string& detail);

// A 407 of the proxy: it wants a login, or refused the one it was given.
std::string ProxyAuthenticationText(bool loginGiven);

}  // namespace platform
