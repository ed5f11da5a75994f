// The watch list window's filter box: which items a typed text keeps.
#include <gtest/gtest.h>

#include "core/ui/watch_list_filter.h"

namespace {

WatchItem Item(unsigned id, const std::string& name, const std::string& url, const std::string& tags) {
  WatchItem item;
  item.m_id = id;
  item.m_name = name;
  item.m_url = url;
  item.m_tags = tags;
  return item;
}

TEST(WatchListFilter, EveryWordMustBeFoundInTheTagsTheNameOrTheUrlInAnyCase) {
  WatchItem news = Item(1, "ニュース", "https://News.example/top", "daily 国内");
  WatchItem shop = Item(2, "Shop", "https://shop.example/", "price");
  CWatchListFilter filter;
  EXPECT_TRUE(filter.Keeps(news) && filter.Keeps(shop)) << "an empty box keeps every item";

  EXPECT_TRUE(filter.SetText("news"));
  EXPECT_TRUE(filter.Keeps(news));
  EXPECT_FALSE(filter.Keeps(shop));
  filter.SetText("  SHOP   pri ");
  EXPECT_TRUE(filter.Keeps(shop)) << "a word of the name and a tag being typed";
  EXPECT_FALSE(filter.Keeps(news));
  filter.SetText("国内 ニュース");
  EXPECT_TRUE(filter.Keeps(news));
  EXPECT_FALSE(filter.SetText("国内 ニュース")) << "the same text changes nothing";
}

TEST(WatchListFilter, AWordMatchesWholeCharactersOnlyAndFollowsAChangedItemOnceForgotten) {
  // In Shift_JIS "ポ" is 0x83 0x7C: its second byte is "|", which a typed "|" must not find.
  CWatchListFilter filter;
  filter.SetText("|");
  EXPECT_FALSE(filter.Keeps(Item(1, "ポイント", "http://a.example/", "")));

  filter.SetText("new");
  WatchItem item = Item(2, "old name", "http://a.example/", "");
  EXPECT_FALSE(filter.Keeps(item));
  item.m_tags = "new";
  EXPECT_FALSE(filter.Keeps(item)) << "kept by identity until the list changes";
  filter.Forget();
  EXPECT_TRUE(filter.Keeps(item));
}

}  // namespace
