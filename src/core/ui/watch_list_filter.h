// The filter box of the watch list window: which items the typed text keeps. The text is
// split into words at blanks; an item is kept when every word is found in its tags, its
// name or its URL, ASCII letters in any case. An empty text keeps every item.
//
// The texts are compared in UTF-8, where a word can only match at a character's start
// (in Shift_JIS the second byte of a character may look like an ASCII letter). Each item's
// searchable text is made once and kept by the item's identity and the list's generation,
// so typing a letter with ten thousand items compares only.
//
// Threads: the UI thread.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "core/watch/watch_item.h"

class CWatchListFilter {
 public:
  // The text of the box (CP932). Gives true when the kept items may have changed.
  bool SetText(const std::string& text);
  bool IsEmpty() const { return m_words.empty(); }
  // Whether the filter keeps `item`.
  bool Keeps(const WatchItem& item) { return Keeps(item.m_id, item.m_tags, item.m_name, item.m_url); }
  // The same for an item known by its identity and texts (a row of the window).
  bool Keeps(unsigned id, const std::string& tags, const std::string& name, const std::string& url);
  // The list changed (items added, replaced, removed): the kept texts are made anew.
  void Forget() { m_haystacks.clear(); }

 private:
  const std::string& Haystack(unsigned id, const std::string& tags, const std::string& name,
                              const std::string& url);

  std::string m_text;
  std::vector<std::string> m_words;  // UTF-8, lower case
  std::unordered_map<unsigned, std::string> m_haystacks;  // by item identity
};
