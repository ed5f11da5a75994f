// The feed of changes: valid Atom 1.0 (checked by xmllint against a RELAX NG grammar of
// Atom's feed and entry), newest first, the last 200 kept, and its copy.
#include "core/notify/atom_feed.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "support/temp_folder.h"

namespace {

// Atom 1.0's feed and entry: the elements each must and may hold, their order-free
// interleave, the date-time and URI types, and text constructs of type text or html.
const char kAtomGrammar[] = R"(<?xml version="1.0"?>
<grammar xmlns="http://relaxng.org/ns/structure/1.0" ns="http://www.w3.org/2005/Atom"
         datatypeLibrary="http://www.w3.org/2001/XMLSchema-datatypes">
  <start><ref name="feed"/></start>
  <define name="textConstruct">
    <optional><attribute name="type" ns=""><choice><value>text</value><value>html</value></choice></attribute></optional>
    <text/>
  </define>
  <define name="person">
    <interleave>
      <element name="name"><text/></element>
      <optional><element name="uri"><data type="anyURI"/></element></optional>
      <optional><element name="email"><text/></element></optional>
    </interleave>
  </define>
  <define name="link">
    <element name="link">
      <attribute name="href" ns=""><data type="anyURI"/></attribute>
      <optional><attribute name="rel" ns=""/></optional>
      <optional><attribute name="type" ns=""/></optional>
      <optional><attribute name="hreflang" ns=""/></optional>
      <optional><attribute name="title" ns=""/></optional>
      <optional><attribute name="length" ns=""/></optional>
      <empty/>
    </element>
  </define>
  <define name="feed">
    <element name="feed">
      <interleave>
        <zeroOrMore><element name="author"><ref name="person"/></element></zeroOrMore>
        <zeroOrMore><element name="contributor"><ref name="person"/></element></zeroOrMore>
        <optional><element name="generator">
          <optional><attribute name="uri" ns=""/></optional>
          <optional><attribute name="version" ns=""/></optional><text/>
        </element></optional>
        <optional><element name="icon"><data type="anyURI"/></element></optional>
        <element name="id"><data type="anyURI"/></element>
        <zeroOrMore><ref name="link"/></zeroOrMore>
        <optional><element name="logo"><data type="anyURI"/></element></optional>
        <optional><element name="rights"><ref name="textConstruct"/></element></optional>
        <optional><element name="subtitle"><ref name="textConstruct"/></element></optional>
        <element name="title"><ref name="textConstruct"/></element>
        <element name="updated"><data type="dateTime"/></element>
      </interleave>
      <zeroOrMore><ref name="entry"/></zeroOrMore>
    </element>
  </define>
  <define name="entry">
    <element name="entry">
      <interleave>
        <zeroOrMore><element name="author"><ref name="person"/></element></zeroOrMore>
        <optional><element name="content"><ref name="textConstruct"/></element></optional>
        <element name="id"><data type="anyURI"/></element>
        <zeroOrMore><ref name="link"/></zeroOrMore>
        <optional><element name="published"><data type="dateTime"/></element></optional>
        <optional><element name="summary"><ref name="textConstruct"/></element></optional>
        <element name="title"><ref name="textConstruct"/></element>
        <element name="updated"><data type="dateTime"/></element>
      </interleave>
    </element>
  </define>
</grammar>
)";

std::size_t Count(const std::string& text, const std::string& piece) {
  std::size_t count = 0;
  for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++count;
  return count;
}

std::string U8(std::u8string_view text) { return std::string(text.begin(), text.end()); }

TEST(AtomFeedTest, EntriesGoOnTopAreKeptTwoHundredAndTheFeedIsValidAtom) {
  if (std::system("command -v xmllint >/dev/null 2>&1") != 0) GTEST_SKIP() << "xmllint is not installed";
  TempFolder folder;
  folder.WriteBytes("atom.rng", kAtomGrammar);
  std::string path = folder.File("changes.atom");
  std::string copy = folder.File("copy.atom");
  // A feed that is full already, as the program wrote it.
  std::vector<std::string> old;
  for (int index = 200; index >= 1; --index) {
    old.push_back("  <entry>\n    <id>urn:uuid:00000000-0000-4000-8000-" + std::to_string(100000000000 + index) +
                  "</id>\n    <title>old " + std::to_string(index) +
                  "</title>\n    <updated>2025-01-01T00:00:00Z</updated>\n  </entry>\n");
  }
  folder.WriteBytes("changes.atom", FeedDocument("urn:uuid:11111111-2222-4333-8444-555555555555", 1, old));
  for (int index = 1; index <= 3; ++index) {
    FeedEntry entry{"頁 <" + std::to_string(index) + "> & co", "https://example.jp/p?a=1&b=" + std::to_string(index),
                    "+ 追加された行\n- 消えた行\x01", 1765191600 + index};
    ASSERT_EQ(AddFeedEntry(path, entry, index == 3 ? copy : std::string()), "");
  }
  std::string feed = folder.ReadBytes("changes.atom");
  EXPECT_EQ(Count(feed, "<entry>"), kFeedEntryLimit);
  EXPECT_EQ(folder.ReadBytes("copy.atom"), feed);
  EXPECT_NE(feed.find("<id>urn:uuid:11111111-2222-4333-8444-555555555555</id>"), std::string::npos);
  // Newest first; the three oldest gave way.
  EXPECT_LT(feed.find(U8(u8"頁 &lt;3&gt; &amp; co")), feed.find(U8(u8"頁 &lt;2&gt;")));
  EXPECT_LT(feed.find(U8(u8"頁 &lt;1&gt;")), feed.find("old 200<"));
  EXPECT_NE(feed.find("old 4<"), std::string::npos);
  EXPECT_EQ(feed.find("old 3<"), std::string::npos);
  EXPECT_NE(feed.find("href=\"https://example.jp/p?a=1&amp;b=3\""), std::string::npos);
  EXPECT_NE(feed.find(U8(u8"- 消えた行</content>")), std::string::npos);
  EXPECT_NE(feed.find("<updated>2025-12-08T11:00:03Z</updated>"), std::string::npos);
  std::string check = "xmllint --noout --relaxng '" + folder.File("atom.rng") + "' '" + path + "' 2>&1";
  EXPECT_EQ(std::system(check.c_str()), 0) << feed.substr(0, 1500);
}

TEST(AtomFeedTest, AnUnwritableCopyIsNamed) {
  TempFolder folder;
  std::string copy = folder.File("missing/folder/copy.atom");
  EXPECT_EQ(AddFeedEntry(folder.File("changes.atom"), {"x", "https://example.jp/", "y", 1}, copy), copy);
}

}  // namespace
