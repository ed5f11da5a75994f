#include "core/watch/item_tags.h"

#include <algorithm>
#include <sstream>

std::vector<std::string> TagWords(const std::string& tags) {
  std::vector<std::string> words;
  std::istringstream stream(tags);
  for (std::string word; stream >> word;) {
    if (std::find(words.begin(), words.end(), word) == words.end()) words.push_back(word);
  }
  return words;
}

std::string JoinTags(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& word : words) text += (text.empty() ? "" : " ") + word;
  return text;
}

bool HasTag(const WatchItem& item, const std::string& tag) {
  if (tag.empty()) return true;
  std::vector<std::string> words = TagWords(item.m_tags);
  return std::find(words.begin(), words.end(), tag) != words.end();
}

std::string AddTag(const std::string& tags, const std::string& tag) {
  std::vector<std::string> words = TagWords(tags);
  for (const std::string& word : TagWords(tag)) {
    if (std::find(words.begin(), words.end(), word) == words.end()) words.push_back(word);
  }
  return JoinTags(words);
}
