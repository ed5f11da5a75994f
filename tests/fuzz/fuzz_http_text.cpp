// What the retriever takes from a server or a user as text: addresses and dates.
#include "fuzz/fuzz_driver.h"
#include "platform/http_url.h"

void FuzzOne(const std::uint8_t* data, std::size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  platform::HttpUrl url;
  platform::ParseHttpUrl(text, url);
  platform::HttpDate date;
  platform::ParseHttpDate(text, date);
}
