// Addresses on their way out: Japanese paths and queries as UTF-8 escapes, international
// host names as IDNA, and the addresses that are no address named by their fault.
#include <gtest/gtest.h>

#include "platform/proxy_address.h"
#include "platform/wire_url.h"

using platform::UrlFault;
using platform::WireUrl;

namespace {

std::string Wire(const std::string& url) {
  std::string wire, fault;
  EXPECT_TRUE(WireUrl(url, wire, fault)) << fault;
  return wire;
}

}  // namespace

TEST(WireUrlTest, NonAsciiGoesAsUtf8EscapesAndHostsAsIdna) {
  // The literals are CP932, as every string inside the program.
  EXPECT_EQ(Wire("http://127.0.0.1:8080/ページ.html?q=検索&x=1#上"),
            "http://127.0.0.1:8080/%E3%83%9A%E3%83%BC%E3%82%B8.html"
            "?q=%E6%A4%9C%E7%B4%A2&x=1");
  EXPECT_EQ(Wire("https://日本語.jp/"), "https://xn--wgv71a119e.jp/");
  EXPECT_EQ(Wire("http://user@ドメイン.テスト:81/a b"),
            "http://user@xn--eckwd4c7c.xn--zckzah:81/a%20b");
  // What is escaped already, IPv6 and ASCII hosts stay as they are.
  EXPECT_EQ(Wire("http://[::1]:8080/%E3%83%9A?a=%20"), "http://[::1]:8080/%E3%83%9A?a=%20");
  EXPECT_EQ(Wire("http://Example.ORG"), "http://Example.ORG");

  std::string wire, fault;
  EXPECT_FALSE(WireUrl("http://a\x81\x40" "b.jp/", wire, fault));  // an ideographic blank
  EXPECT_NE(fault, "");
}

TEST(WireUrlTest, AddressesThatAreNoAddressNameTheirFault) {
  struct Case {
    const char* url;
    const char* fault;  // a part of the message
  };
  for (const Case& c : std::initializer_list<Case>{
           {"", "URL がありません"},
           {"http://", "ホスト名がありません"},
           {"http:///path", "ホスト名がありません"},
           {"http://exa mple.org/", "空白"},
           {"http://exa<mple.org/", "使えない文字 (<)"},
           {"ftp://example.org/", "対応していない種類の URL です (ftp:)"},
           {"example.org/page", "http:// か https://"},
           {"mailto:a@example.org", "http:// か https://"},
           {"http://example.org:0/", "ポート番号"},
           {"http://example.org:65536/", "ポート番号"},
           {"http://example.org:/", "ポート番号"},
           {"http://example.org:8o/", "ポート番号"},
           {"http://[::1/", "括弧"},
           {"http://example.org/\x01", "制御文字"},
           {"http://a\x81\x40" "b.jp/", "国際化ドメイン名"},
       }) {
    SCOPED_TRACE(c.url);
    EXPECT_NE(UrlFault(c.url).find(c.fault), std::string::npos) << UrlFault(c.url);
  }
  for (const char* good : {"http://example.org", "HTTPS://example.org:443/a b?c=ページ",
                           "http://日本語.jp/", "http://[::1]:8080/", "http://user:pw@host/",
                           "http://under_score.example/"}) {
    EXPECT_EQ(UrlFault(good), "") << good;
  }
}

TEST(ProxyAddressTest, LoginSplitsAtTheFirstColonAndTheLastAtSign) {
  platform::ProxyAddress plain = platform::ParseProxy("proxy.example.jp:8080");
  EXPECT_FALSE(plain.HasLogin());
  EXPECT_EQ(plain.HostPort(), "proxy.example.jp:8080");

  platform::ProxyAddress login = platform::ParseProxy("taro:p@ss:w@proxy:3128");
  EXPECT_EQ(login.user, "taro");
  EXPECT_EQ(login.password, "p@ss:w");
  EXPECT_EQ(login.HostPort(), "proxy:3128");
  EXPECT_EQ(platform::ProxyText(login), "taro:p@ss:w@proxy:3128");
  EXPECT_EQ(platform::MaskedProxyText("taro:p@ss:w@proxy:3128"), "taro:********@proxy:3128");
  EXPECT_EQ(platform::MaskedProxyText("proxy:3128"), "proxy:3128");

  // The ideographic blank "\x81\x40" ends in the byte of '@'.
  platform::ProxyAddress japanese = platform::ParseProxy("太郎:秘\x81\x40密@proxy:3128");
  EXPECT_EQ(japanese.password, "秘\x81\x40密");
  EXPECT_EQ(japanese.host, "proxy");
}
