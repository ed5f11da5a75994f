#include "cli/console.h"

#include "platform/text_codec.h"

void PrintLine(const std::string& cp932Text, FILE* stream) {
  std::string line = platform::Cp932ToUtf8(cp932Text) + "\n";
  fwrite(line.data(), 1, line.size(), stream);
  fflush(stream);
}

void PrintUtf8Line(const std::string& utf8Text) {
  std::string line = utf8Text + "\n";
  fwrite(line.data(), 1, line.size(), stdout);
  fflush(stdout);
}
