#include "core/common/closest_name.h"

#include <gtest/gtest.h>

namespace {

const std::vector<std::string> kCommands = {"list", "check", "run", "diff", "links", "set",
                                            "settings", "show", "ack", "add"};

TEST(ClosestName, OneSlipInAShortNameAndTwoInALongerOne) {
  EXPECT_EQ(ClosestName("lsit", kCommands), "list") << "two letters swapped";
  EXPECT_EQ(ClosestName("chek", kCommands), "check") << "one left out";
  EXPECT_EQ(ClosestName("chekc", kCommands), "check");
  EXPECT_EQ(ClosestName("settigns", kCommands), "settings");
  EXPECT_EQ(ClosestName("--no-action", {"--json", "--no-actions"}), "--no-actions");
  EXPECT_EQ(ClosestName("-json", {"--json", "--jobs"}), "--json");
}

TEST(ClosestName, NothingWhenNoNameIsCloseOrTheNameIsKnown) {
  EXPECT_EQ(ClosestName("xyzzy", kCommands), "");
  EXPECT_EQ(ClosestName("lst2x", kCommands), "") << "two slips are too many for a short name";
  EXPECT_EQ(ClosestName("", kCommands), "");
  EXPECT_EQ(ClosestName("list", kCommands), "") << "not a typo";
  EXPECT_EQ(ClosestName("anything", {}), "");
}

TEST(ClosestName, TheClosestWinsThenTheFirst) {
  EXPECT_EQ(ClosestName("sett", kCommands), "set") << "one slip beats four";
  EXPECT_EQ(ClosestName("ad", {"add", "ack"}), "add");
  EXPECT_EQ(ClosestName("ac", {"add", "ack"}), "ack");
  EXPECT_EQ(ClosestName("a", {"ab", "ac"}), "ab");
}

}  // namespace
