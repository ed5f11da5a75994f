#include "core/ui/watch_list_filter.h"

#include <sstream>

#include "platform/text_codec.h"

namespace {

std::string LowerUtf8(const std::string& cp932) {
  std::string text = platform::Cp932ToUtf8(cp932);
  for (char& ch : text) {
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
  }
  return text;
}

}  // namespace

bool CWatchListFilter::SetText(const std::string& text) {
  if (text == m_text) return false;
  m_text = text;
  m_words.clear();
  std::istringstream words(LowerUtf8(text));
  for (std::string word; words >> word;) m_words.push_back(word);
  return true;
}

const std::string& CWatchListFilter::Haystack(unsigned id, const std::string& tags,
                                              const std::string& name, const std::string& url) {
  auto found = m_haystacks.find(id);
  if (found != m_haystacks.end() && id != 0) return found->second;
  std::string& haystack = m_haystacks[id];
  haystack = LowerUtf8(tags + "\n" + name + "\n" + url);
  return haystack;
}

bool CWatchListFilter::Keeps(unsigned id, const std::string& tags, const std::string& name,
                             const std::string& url) {
  if (m_words.empty()) return true;
  const std::string& haystack = Haystack(id, tags, name, url);
  for (const std::string& word : m_words) {
    if (haystack.find(word) == std::string::npos) return false;
  }
  return true;
}
