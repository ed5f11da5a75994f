#include "cli/usage_mistake.h"

#include "cli/console.h"
#include "core/common/closest_name.h"

std::string UnknownNameText(const std::string& what, const std::string& typed,
                            const std::vector<std::string>& names) {
  std::string text = what + ": " + typed;
  std::string guess = ClosestName(typed, names);
  if (!guess.empty()) text += " (もしかして: " + guess + ")";
  return text;
}

int UsageMistake(const std::string& message) {
  PrintLine("pagewarden-cli: " + message, stderr);
  PrintLine("使い方は pagewarden-cli --help で表示します", stderr);
  return 2;
}
