// What one notification tells: the item, what happened to it and, for an item compared by
// its text, the lines added and removed. Texts are the program's CP932.
#pragma once

#include <ctime>
#include <string>
#include <vector>

struct ChangedLines {
  std::vector<std::string> added;
  std::vector<std::string> removed;
};

struct NotifyMessage {
  std::string name;    // the item's name, else its address
  std::string url;     // the page
  std::string result;  // "更新されています", an alarm's text, ...
  std::time_t time = 0;
  ChangedLines lines;
};

// "2026-12-08T11:00:00Z".
std::string Iso8601Utc(std::time_t time);
