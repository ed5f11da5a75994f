// pagewarden-cli as a user runs it against nginx and squid: Japanese paths and logins,
// HTTPS signed by a private CA, proxies with and without a login, and addresses that are
// no address.
#include <gtest/gtest.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <cstdio>

#include "platform/text_codec.h"
#include "support/child_process.h"
#include "support/nginx_server.h"
#include "support/scoped_environment.h"
#include "support/squid_proxy.h"
#include "support/temp_folder.h"
#include "support/test_certificate.h"

namespace {

class AddressAndProxyTest : public ::testing::Test {
 protected:
  AddressAndProxyTest()
      : m_config("XDG_CONFIG_HOME", m_home.File("config").c_str()),
        m_certFile("SSL_CERT_FILE", nullptr),
        m_certDir("SSL_CERT_DIR", nullptr) {}

  // Runs the program on its own data folder; arguments and output in CP932, like the
  // literals here. `input` goes to its standard input.
  RunResult Cli(const std::vector<std::string>& args, const std::string& input = {}) {
    std::vector<std::string> utf8 = {"--home", m_home.Path()};
    for (const std::string& arg : args) utf8.push_back(platform::Cp932ToUtf8(arg));
    m_home.WriteBytes("input.txt", platform::Cp932ToUtf8(input));
    RunResult result = RunProgram(PAGEWARDEN_CLI, utf8, m_home.File("input.txt"));
    result.output = platform::Utf8ToCp932(result.output);
    result.errors = platform::Utf8ToCp932(result.errors);
    return result;
  }
  // Adds a whole-page item; false (with the message) when refused.
  void Add(const std::string& url, std::vector<std::string> options = {},
           const std::string& input = {}) {
    options.insert(options.begin(), {"add", url, "--full"});
    RunResult added = Cli(options, input);
    ASSERT_EQ(added.status, 0) << added.errors;
  }
  void Setting(const std::string& name, const std::string& value) {
    RunResult set = Cli({"settings", name, value});
    ASSERT_EQ(set.status, 0) << set.errors;
  }
  // The output of "check all": one row per item. It ends with 3 when a check failed.
  std::string CheckAll(int status = 0) {
    RunResult result = Cli({"check", "all"});
    EXPECT_EQ(result.status, status) << result.errors;
    return result.output;
  }

  TempFolder m_home;
  ScopedEnvironment m_config;
  ScopedEnvironment m_certFile;
  ScopedEnvironment m_certDir;
};

// The UTF-8 form of a CP932 literal, for what the servers read: file names, their
// configuration, password files.
std::string U(const std::string& cp932) { return platform::Cp932ToUtf8(cp932); }

// The name OpenSSL looks a CA up by in a certificate folder: its subject hash and ".0".
std::string SubjectHashName(const char* pem) {
  BIO* input = BIO_new_mem_buf(pem, -1);
  X509* certificate = PEM_read_bio_X509(input, nullptr, nullptr, nullptr);
  BIO_free(input);
  char name[16] = "";
  if (certificate) std::snprintf(name, sizeof name, "%08lx.0", X509_subject_name_hash(certificate));
  X509_free(certificate);
  return name;
}

int Count(const std::string& text, const std::string& part) {
  int count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

}  // namespace

TEST_F(AddressAndProxyTest, AJapanesePathAndAJapaneseLoginReachNginxInUtf8) {
  SKIP_WITHOUT_NGINX();
  NginxServer nginx;
  nginx.AddFile(U("ページ.html"), "<p>page</p>");
  nginx.AddFile(U("会員/index.html"), "<p>members</p>");
  // The password file holds the UTF-8 bytes, as a browser sends them.
  std::string users = nginx.WritePasswordFile("users", U("ユーザー"), U("パスワード"));
  nginx.AddServerConfig(U("location /会員/ { auth_basic \"members\"; auth_basic_user_file ") +
                        users + "; }");
  ASSERT_TRUE(nginx.Start()) << nginx.Failure();

  const std::string page = nginx.Url("/ページ.html?語=値");
  const std::string members = nginx.Url("/会員/");
  Add(page);
  Add(members, {"--user", "ユーザー", "--password-stdin"}, "パスワード\n");
  std::string rows = CheckAll();
  EXPECT_EQ(Count(rows, "更新されています"), 2) << rows << LastLines(nginx.AccessLog());
  EXPECT_NE(LastLines(nginx.AccessLog()).find("/%E3%83%9A%E3%83%BC%E3%82%B8.html?%E8%AA%9E=%E5%80%A4"),
            std::string::npos);
  // The list keeps the address as typed.
  EXPECT_NE(Cli({"list"}).output.find(page), std::string::npos);

  Add(nginx.Url("/会員/"), {"--user", "ユーザー", "--password-stdin"}, "違う\n");
  EXPECT_NE(CheckAll(3).find("認証が否定されました"), std::string::npos);
}

TEST_F(AddressAndProxyTest, InternationalHostNamesGoOutAsIdna) {
  SKIP_WITHOUT_NGINX();
  NginxServer nginx;
  nginx.AddServerConfig("location = /host { return 200 \"$host\"; }");
  ASSERT_TRUE(nginx.Start()) << nginx.Failure();
  // libcurl takes every name under "localhost" for the loopback address.
  Add("http://日本語.localhost:" + std::to_string(nginx.Port()) + "/host");
  std::string rows = CheckAll();
  EXPECT_NE(rows.find("更新されています"), std::string::npos) << rows;
  EXPECT_NE(LastLines(nginx.AccessLog()).find("GET /host"), std::string::npos);
  RunResult shown = Cli({"show", "1"});
  EXPECT_NE(shown.output.find("日本語.localhost"), std::string::npos) << shown.output;
}

TEST_F(AddressAndProxyTest, HttpsSignedByAPrivateCaThroughTheSettingOrTheEnvironment) {
  SKIP_WITHOUT_NGINX();
  NginxServer nginx(NginxServer::Options{.tls = true});
  nginx.AddFile("index.html", "secure");
  ASSERT_TRUE(nginx.Start()) << nginx.Failure();
  Add(nginx.Url("/"));

  std::string untrusted = CheckAll(3);
  EXPECT_NE(untrusted.find("サーバーの証明書を確かめられません"), std::string::npos) << untrusted;
  EXPECT_NE(untrusted.find("(SSL certificate problem"), std::string::npos) << untrusted;

  Setting("ca-file", nginx.CaFile());
  EXPECT_NE(CheckAll().find("更新されています"), std::string::npos);

  Setting("ca-file", "");
  {
    ScopedEnvironment certFile("SSL_CERT_FILE", nginx.CaFile().c_str());
    std::string trusted = CheckAll();
    EXPECT_NE(trusted.find("更新されていません"), std::string::npos) << trusted;
  }
  // A folder of certificates named by their subject hash, as c_rehash makes it.
  TempFolder certificates;
  certificates.WriteBytes(SubjectHashName(kLoopbackCertificatePem), kLoopbackCertificatePem);
  ScopedEnvironment certDir("SSL_CERT_DIR", certificates.Path().c_str());
  std::string trusted = CheckAll();
  EXPECT_NE(trusted.find("更新されていません"), std::string::npos) << trusted;
}

// A page over http goes through the proxy as a request, one over https as a CONNECT
// tunnel: both take the login, and both tell a 407 alike.
TEST_F(AddressAndProxyTest, ProxiesWithAndWithoutALoginAndTheRowOfA407) {
  SKIP_WITHOUT_NGINX();
  SKIP_WITHOUT_SQUID();
  NginxServer nginx;
  nginx.AddFile("index.html", "via proxy");
  ASSERT_TRUE(nginx.Start()) << nginx.Failure();
  NginxServer secure(NginxServer::Options{.tls = true});
  secure.AddFile("index.html", "via tunnel");
  ASSERT_TRUE(secure.Start()) << secure.Failure();
  Add(nginx.Url("/"));
  Add(secure.Url("/"));
  Setting("ca-file", secure.CaFile());
  Setting("no-proxy-for-local", "0");

  SquidProxy open;
  ASSERT_TRUE(open.Start()) << open.Failure();
  Setting("proxy", open.Address());
  std::string rows = CheckAll();
  EXPECT_EQ(Count(rows, "更新されています"), 2) << rows;
  EXPECT_TRUE(open.Logged(nginx.Url("/")));
  EXPECT_TRUE(open.Logged("CONNECT 127.0.0.1:" + std::to_string(secure.Port())));

  SquidProxy guarded(SquidProxy::Options{.user = U("太郎"), .password = U("秘密:p@ss")});
  ASSERT_TRUE(guarded.Start()) << guarded.Failure();
  Setting("proxy", guarded.Address());
  rows = CheckAll(3);
  EXPECT_EQ(Count(rows, "プロキシが認証を求めています"), 2) << rows;
  Setting("proxy", "太郎:違う@" + guarded.Address());
  rows = CheckAll(3);
  EXPECT_EQ(Count(rows, "プロキシの認証に失敗しました"), 2) << rows;

  Setting("proxy", "太郎:秘密:p@ss@" + guarded.Address());
  rows = CheckAll();
  EXPECT_EQ(Count(rows, "更新されていません"), 2) << rows;
  // The page is asked for conditionally by now: the server's 304 passes through the proxy.
  EXPECT_TRUE(guarded.Logged("TCP_MISS/304 ")) << guarded.AccessLog();
  RunResult shown = Cli({"settings", "proxy"});
  EXPECT_NE(shown.output.find("太郎:********@" + guarded.Address()), std::string::npos)
      << shown.output;
}

TEST_F(AddressAndProxyTest, AddressesThatAreNoAddressAreRefusedWhereTheyAreEntered) {
  struct Case {
    const char* url;
    const char* fault;
  };
  for (const Case& c : std::initializer_list<Case>{{"http://", "ホスト名がありません"},
                                                   {"http://exa mple.org/", "空白"},
                                                   {"ftp://example.org/", "(ftp:)"},
                                                   {"www.example.org", "http:// か https://"}}) {
    RunResult added = Cli({"add", c.url});
    EXPECT_NE(added.status, 0) << c.url;
    EXPECT_NE(added.errors.find(c.fault), std::string::npos) << added.errors;
  }
  EXPECT_EQ(Cli({"list"}).output, "");

  // An address the program takes, on a port nobody listens on: a row in Japanese.
  Add("http://127.0.0.1:1/");
  RunResult set = Cli({"set", "1", "Targ", "http://exa mple.org/"});
  EXPECT_NE(set.status, 0);
  EXPECT_NE(set.errors.find("空白"), std::string::npos) << set.errors;
  std::string rows = CheckAll(3);
  EXPECT_NE(rows.find("サーバーに接続できません ("), std::string::npos) << rows;
}
