// Fetch request blocks as the link list and request files hold them, read one after another.
#include "core/fetch/fetch_request.h"
#include "fuzz/fuzz_driver.h"
#include "platform/file_system.h"

void FuzzOne(const std::uint8_t* data, std::size_t size) {
  std::string path = WriteFuzzFile("request.txt", data, size);
  FILE* file = platform::OpenFile(path, "r");
  if (!file) return;
  FetchRequest request;
  for (int blocks = 0; blocks < 1000 && request.Read(file) == 1; ++blocks) {
    request.BasicAuthorizationHeader();
  }
  std::fclose(file);
}
