// The nginx and squid fixtures themselves: each starts, serves what the test gave it, and
// asks for the login it was told to.
#include <gtest/gtest.h>

#include "platform/http_session.h"
#include "support/nginx_server.h"
#include "support/squid_proxy.h"

namespace {

struct Answer {
  int status = 0;
  std::string body;
  std::string error;
};

Answer Get(const std::string& url, platform::HttpOptions options, const std::string& headers = {},
           const std::string& user = {}, const std::string& password = {}) {
  platform::CHttpSession session(std::move(options));
  auto request = session.OpenRequest("GET", url, user, password);
  Answer answer;
  if (!request) return answer;
  request->AddHeaders(headers);
  if (!request->Send()) {
    answer.error = request->ErrorMessage();
    return answer;
  }
  answer.status = request->StatusCode();
  char buffer[4096];
  for (long n; (n = request->Read(buffer, sizeof buffer)) > 0;) answer.body.append(buffer, n);
  return answer;
}

}  // namespace

TEST(RealServerFixtures, NginxServesFilesPlainAndOverTlsAndAsksForItsLogin) {
  SKIP_WITHOUT_NGINX();
  NginxServer plain;
  plain.AddFile("a/page.html", "plain page");
  std::string users = plain.WritePasswordFile("users", "user", "secret");
  plain.AddServerConfig("location /a/ { auth_basic \"test\"; auth_basic_user_file " + users + "; }");
  ASSERT_TRUE(plain.Start()) << plain.Failure();
  EXPECT_EQ(Get(plain.Url("/a/page.html"), {}).status, 401);
  Answer page = Get(plain.Url("/a/page.html"), {}, {}, "user", "secret");
  EXPECT_EQ(page.status, 200);
  EXPECT_EQ(page.body, "plain page");

  NginxServer secure(NginxServer::Options{.tls = true});
  secure.AddFile("index.html", "secure page");
  ASSERT_TRUE(secure.Start()) << secure.Failure();
  EXPECT_NE(Get(secure.Url("/"), {}).error, "");  // not trusted by the system's store
  platform::HttpOptions trusting;
  trusting.caFile = secure.CaFile();
  EXPECT_EQ(Get(secure.Url("/"), trusting).body, "secure page");
}

TEST(RealServerFixtures, SquidForwardsAndAsksForItsLoginWhenGivenOne) {
  SKIP_WITHOUT_NGINX();
  SKIP_WITHOUT_SQUID();
  NginxServer nginx;
  nginx.AddFile("index.html", "through the proxy");
  ASSERT_TRUE(nginx.Start()) << nginx.Failure();
  platform::HttpOptions viaProxy;
  viaProxy.bypassLocal = false;

  SquidProxy open;
  ASSERT_TRUE(open.Start()) << open.Failure();
  viaProxy.proxy = open.Address();
  EXPECT_EQ(Get(nginx.Url("/"), viaProxy).body, "through the proxy");
  EXPECT_TRUE(open.Logged(nginx.Url("/"))) << open.AccessLog();

  SquidProxy guarded(SquidProxy::Options{.user = "user", .password = "secret"});
  ASSERT_TRUE(guarded.Start()) << guarded.Failure();
  viaProxy.proxy = guarded.Address();
  EXPECT_EQ(Get(nginx.Url("/"), viaProxy).status, 407);
  // "user:secret" in Base64.
  Answer passed = Get(nginx.Url("/"), viaProxy, "Proxy-Authorization: Basic dXNlcjpzZWNyZXQ=\r\n");
  EXPECT_EQ(passed.status, 200);
  EXPECT_EQ(passed.body, "through the proxy");
}
