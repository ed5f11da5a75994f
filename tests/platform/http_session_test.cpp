#include "platform/http_session.h"

#include <algorithm>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/file_system.h"
#include "support/loopback_http_server.h"
#include "support/temp_folder.h"
#include "support/test_certificate.h"

using platform::CHttpRequest;
using platform::CHttpSession;
using platform::HttpOptions;

namespace {

HttpOptions Options() {
  HttpOptions options;
  options.agent = "Agent/1";
  return options;
}

std::string ReadAll(CHttpRequest& request, std::size_t* largestBlock = nullptr, long* last = nullptr) {
  std::string body;
  char block[2048];
  long count;
  while ((count = request.Read(block, sizeof block)) > 0) {
    body.append(block, static_cast<std::size_t>(count));
    if (largestBlock) *largestBlock = std::max(*largestBlock, static_cast<std::size_t>(count));
  }
  if (last) *last = count;
  return body;
}

// The library words its time-outs in more than one way.
bool TellsOfTimeOut(std::string message) {
  std::transform(message.begin(), message.end(), message.begin(), ::tolower);
  return message.find("timeout") != std::string::npos || message.find("timed out") != std::string::npos;
}

// A listener whose accept queue is full, so that a further connection is never made.
class FullListener {
 public:
  FullListener() {
    m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(m_listener, 0);
    ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
    for (int i = 0; i < 3; ++i) {
      int client = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
      ::connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address);
      m_clients.push_back(client);
    }
  }
  ~FullListener() {
    for (int client : m_clients) ::close(client);
    ::close(m_listener);
  }
  int Port() const { return m_port; }

 private:
  int m_listener;
  int m_port = 0;
  std::vector<int> m_clients;
};

}  // namespace

TEST(HttpUrlTest, SplitsHttpAndHttpsOnly) {
  platform::HttpUrl parts;
  ASSERT_TRUE(platform::ParseHttpUrl("HTTP://Host:8080/a/b?c=d#frag", parts));
  EXPECT_EQ("http", parts.scheme);
  EXPECT_EQ("Host", parts.host);
  EXPECT_EQ(8080, parts.port);
  EXPECT_EQ("/a/b?c=d", parts.object);
  ASSERT_TRUE(platform::ParseHttpUrl("https://[::1]", parts));
  EXPECT_EQ("::1", parts.host);
  EXPECT_EQ(443, parts.port);
  EXPECT_EQ("/", parts.object);
  EXPECT_FALSE(platform::ParseHttpUrl("ftp://host/file", parts));
  EXPECT_FALSE(platform::ParseHttpUrl("file:///etc/passwd", parts));
  EXPECT_FALSE(platform::ParseHttpUrl("http:///path", parts));
  EXPECT_FALSE(platform::ParseHttpUrl("http://host:99999/", parts));
  EXPECT_FALSE(platform::ParseHttpUrl("http://host:/", parts));
}

TEST(HttpUrlTest, DatesAreReadInTheirThreeFormsAndNothingElse) {
  for (const char* text : {"Sun, 06 Nov 1994 08:49:37 GMT", "Sunday, 06-Nov-94 08:49:37 GMT",
                           "Sun Nov  6 08:49:37 1994", "Sun, 06 Nov 1994 08:49:37 UTC  "}) {
    platform::HttpDate date;
    ASSERT_TRUE(platform::ParseHttpDate(text, date)) << text;
    EXPECT_EQ(date.year * 10000 + date.month * 100 + date.day, 19941106) << text;
    EXPECT_EQ(date.hour * 10000 + date.minute * 100 + date.second, 84937) << text;
  }
  platform::HttpDate far;
  ASSERT_TRUE(platform::ParseHttpDate("Fri, 31 Dec 2100 23:59:59 GMT", far));
  EXPECT_EQ(far.year, 2100);
  // Each of these would be read by a lenient reader, some with today's date filled in.
  for (const char* text : {"", "yesterday", "08:49:37", "Sun, 06 Nov 1994", "1994-11-06T08:49:37Z",
                           "Sun, 31 Apr 1994 08:49:37 GMT", "Sun, 06 Foo 1994 08:49:37 GMT",
                           "Sun, 06 Nov 1994 25:49:37 GMT", "Sun, 06 Nov 1994 08:49:37 GMT x",
                           "Sun, 06 Nov 1994 08:49:37 +0900"}) {
    platform::HttpDate date;
    EXPECT_FALSE(platform::ParseHttpDate(text, date)) << text;
  }
}

TEST(HttpUrlTest, LocalHostsAreThoseOfTheBypassList) {
  EXPECT_TRUE(platform::IsLocalHost("intranet"));
  EXPECT_TRUE(platform::IsLocalHost("LocalHost"));
  EXPECT_TRUE(platform::IsLocalHost("127.0.0.1"));
  EXPECT_TRUE(platform::IsLocalHost("127.1.2.3"));
  EXPECT_TRUE(platform::IsLocalHost("::1"));
  EXPECT_FALSE(platform::IsLocalHost("example.com"));
  EXPECT_FALSE(platform::IsLocalHost("10.0.0.1"));
  EXPECT_FALSE(platform::IsLocalHost("2001:db8::1"));
}

TEST(HttpSessionTest, SendsHeadersInOrderWithOneAgentAndReadsTheAnswer) {
  LoopbackHttpServer server;
  ScriptedResponse answer = ScriptedResponse::Ok("<p>hello</p>", "text/html; charset=Shift_JIS");
  answer.headers.push_back("Last-Modified: Sun, 06 Nov 1994 08:49:37 GMT");
  server.Enqueue("/page.htm", answer);
  CHttpSession session(Options());
  auto request = session.OpenRequest("GET", server.Url("/page.htm"));
  ASSERT_TRUE(request);
  request->AddHeaders("Accept: */*\r\nX-One: 1\nX-Two: 2\r\n");
  request->AddHeaders("x-one: again\r\n");  // a name already held is not added twice
  ASSERT_TRUE(request->Send()) << request->ErrorMessage();

  EXPECT_EQ(200, request->StatusCode());
  EXPECT_EQ("text/html; charset=Shift_JIS", request->ContentType());
  long long length = 0;
  ASSERT_TRUE(request->ContentLength(length));
  EXPECT_EQ(12, length);
  platform::HttpDate date;
  ASSERT_TRUE(request->LastModified(date));
  EXPECT_EQ(1994, date.year);
  EXPECT_EQ(11, date.month);
  EXPECT_EQ(6, date.day);
  EXPECT_EQ(8, date.hour);
  EXPECT_EQ(49, date.minute);
  EXPECT_EQ(37, date.second);
  EXPECT_EQ(0u, request->RawHeaders().find("HTTP/1.1 200 OK\r\n"));
  EXPECT_EQ(request->RawHeaders().size() - 4, request->RawHeaders().find("\r\n\r\n"));
  EXPECT_EQ("<p>hello</p>", ReadAll(*request));

  HttpRequestRecord got = server.Requests().at(0);
  EXPECT_EQ("GET", got.method);
  EXPECT_EQ("/page.htm", got.target);
  EXPECT_EQ(1, got.CountHeader("User-Agent"));
  EXPECT_EQ("Agent/1", got.Header("User-Agent"));
  EXPECT_EQ(1, got.CountHeader("Accept"));
  EXPECT_EQ("1", got.Header("X-One"));
  EXPECT_FALSE(got.HasHeader("Expect"));
  auto position = [&](const std::string& line) {
    return std::find(got.headers.begin(), got.headers.end(), line) - got.headers.begin();
  };
  EXPECT_LT(position("Accept: */*"), position("X-One: 1"));
  EXPECT_LT(position("X-One: 1"), position("X-Two: 2"));
}

TEST(HttpSessionTest, OwnUserAgentReplacesTheSessionsAndReplacedHeadersAreResent) {
  LoopbackHttpServer server;
  server.SetDefault([](const HttpRequestRecord&) { return ScriptedResponse::Ok("x"); });
  CHttpSession session(Options());
  auto request = session.OpenRequest("POST", server.Url("/form"));
  request->AddHeaders("User-Agent: Mine\r\nAuthorization: Basic first\r\n");
  ASSERT_TRUE(request->Send("a=1&b=2"));
  request->ReplaceHeaders("Authorization: Basic second\r\n");
  ASSERT_TRUE(request->Send("a=1&b=2"));
  auto got = server.Requests();
  ASSERT_EQ(2u, got.size());
  EXPECT_EQ(1, got[0].CountHeader("User-Agent"));
  EXPECT_EQ("Mine", got[0].Header("User-Agent"));
  EXPECT_EQ("Basic first", got[0].Header("Authorization"));
  EXPECT_EQ("Basic second", got[1].Header("Authorization"));
  EXPECT_EQ("a=1&b=2", got[1].body);
  EXPECT_EQ("POST", got[1].method);
}

TEST(HttpSessionTest, StreamsLargeChunkedAndUnframedBodiesInSmallBlocks) {
  LoopbackHttpServer server;
  std::string piece(1000, 'a');
  for (std::size_t i = 0; i < piece.size(); ++i) piece[i] = static_cast<char>('a' + i % 26);
  ScriptedResponse chunked = ScriptedResponse::Ok(piece);
  chunked.bodyRepeat = 1024;
  chunked.chunked = true;
  server.Enqueue("/chunked", chunked);
  ScriptedResponse unframed = ScriptedResponse::Ok(piece);
  unframed.contentLength = false;
  server.Enqueue("/unframed", unframed);

  CHttpSession session(Options());
  auto request = session.OpenRequest("GET", server.Url("/chunked"));
  ASSERT_TRUE(request->Send());
  std::size_t largest = 0;
  long last = 1;
  std::string body = ReadAll(*request, &largest, &last);
  EXPECT_EQ(0, last);
  EXPECT_LE(largest, 2048u);
  ASSERT_EQ(piece.size() * 1024, body.size());
  EXPECT_EQ(piece, body.substr(body.size() - piece.size()));

  request = session.OpenRequest("GET", server.Url("/unframed"));
  ASSERT_TRUE(request->Send());
  long long length;
  EXPECT_FALSE(request->ContentLength(length));
  EXPECT_EQ(piece, ReadAll(*request));
}

TEST(HttpSessionTest, RedirectionsAreNotFollowed) {
  LoopbackHttpServer server;
  server.Enqueue("/old", ScriptedResponse::Redirect(302, "/new"));
  CHttpSession session(Options());
  auto request = session.OpenRequest("GET", server.Url("/old"));
  ASSERT_TRUE(request->Send());
  EXPECT_EQ(302, request->StatusCode());
  EXPECT_NE(std::string::npos, request->RawHeaders().find("\r\nLocation: /new\r\n"));
  EXPECT_EQ(1u, server.RequestCount());
}

TEST(HttpSessionTest, BodyCutShortIsAFailureNotAnEnd) {
  LoopbackHttpServer server;
  ScriptedResponse answer = ScriptedResponse::Ok(std::string(10000, 'x'));
  answer.closeAfter = 3000;
  server.Enqueue("/cut", answer);
  CHttpSession session(Options());
  auto request = session.OpenRequest("GET", server.Url("/cut"));
  ASSERT_TRUE(request->Send());
  long last = 0;
  EXPECT_EQ(3000u, ReadAll(*request, nullptr, &last).size());
  EXPECT_EQ(-1, last);
  EXPECT_FALSE(request->ErrorMessage().empty());
}

TEST(HttpSessionTest, SilentServerAndUnreachableServerTimeOut) {
  LoopbackHttpServer server;
  ScriptedResponse late = ScriptedResponse::Ok("late");
  late.delayMs = 3000;
  server.Enqueue("/late", late);
  ScriptedResponse stalled = ScriptedResponse::Ok(std::string(8000, 's'));
  stalled.stallAfter = 100;
  stalled.stallMs = 3000;
  server.Enqueue("/stalled", stalled);
  HttpOptions options = Options();
  options.receiveTimeoutMs = 300;
  options.connectTimeoutMs = 300;

  CHttpSession session(options);
  auto request = session.OpenRequest("GET", server.Url("/late"));
  EXPECT_FALSE(request->Send());
  EXPECT_TRUE(TellsOfTimeOut(request->ErrorMessage())) << request->ErrorMessage();

  request = session.OpenRequest("GET", server.Url("/stalled"));
  ASSERT_TRUE(request->Send());
  long last = 0;
  EXPECT_EQ(100u, ReadAll(*request, nullptr, &last).size());
  EXPECT_EQ(-1, last);
  EXPECT_TRUE(TellsOfTimeOut(request->ErrorMessage())) << request->ErrorMessage();

  FullListener full;
  request = session.OpenRequest("GET", "http://127.0.0.1:" + std::to_string(full.Port()) + "/");
  EXPECT_FALSE(request->Send());
  EXPECT_TRUE(TellsOfTimeOut(request->ErrorMessage())) << request->ErrorMessage();
}

TEST(HttpSessionTest, ProxyIsUsedExceptForLocalAddressesWhenBypassed) {
  LoopbackHttpServer proxy;
  LoopbackHttpServer origin;
  proxy.SetDefault([](const HttpRequestRecord&) { return ScriptedResponse::Ok("via proxy"); });
  origin.SetDefault([](const HttpRequestRecord&) { return ScriptedResponse::Ok("direct"); });
  HttpOptions options = Options();
  options.proxy = "127.0.0.1:" + std::to_string(proxy.Port());

  CHttpSession bypassing(options);
  auto request = bypassing.OpenRequest("GET", "http://www.example.com/page");
  ASSERT_TRUE(request->Send());
  EXPECT_EQ("via proxy", ReadAll(*request));
  EXPECT_EQ("http://www.example.com/page", proxy.Requests().at(0).target);
  request = bypassing.OpenRequest("GET", origin.Url("/local"));
  ASSERT_TRUE(request->Send());
  EXPECT_EQ("direct", ReadAll(*request));

  options.bypassLocal = false;
  CHttpSession always(options);
  request = always.OpenRequest("GET", origin.Url("/local"));
  ASSERT_TRUE(request->Send());
  EXPECT_EQ("via proxy", ReadAll(*request));
  EXPECT_EQ(origin.Url("/local"), proxy.Requests().at(1).target);
  EXPECT_EQ(1u, origin.RequestCount());
}

TEST(HttpSessionTest, HttpsIsVerifiedAgainstTheTrustedCertificates) {
  TempFolder folder;
  folder.WriteBytes("ca.pem", kLoopbackCertificatePem);
  LoopbackHttpServer server(LoopbackHttpServer::Tls{kLoopbackCertificatePem, kLoopbackKeyPem});
  server.SetDefault([](const HttpRequestRecord&) { return ScriptedResponse::Ok("secret"); });

  CHttpSession untrusting(Options());  // the system's store does not know the test certificate
  auto request = untrusting.OpenRequest("GET", server.Url("/"));
  EXPECT_FALSE(request->Send());
  EXPECT_FALSE(request->ErrorMessage().empty());

  HttpOptions options = Options();
  options.caFile = folder.File("ca.pem");
  CHttpSession trusting(options);
  request = trusting.OpenRequest("GET", server.Url("/"));
  ASSERT_TRUE(request->Send()) << request->ErrorMessage();
  EXPECT_EQ("secret", ReadAll(*request));
}

TEST(DownloadToFileTest, FollowsRedirectionsAndRemovesTheFileOnFailure) {
  TempFolder folder;
  LoopbackHttpServer server;
  server.Enqueue("/info", ScriptedResponse::Redirect(302, "/info.txt"));
  server.Enqueue("/info.txt", ScriptedResponse::Ok("news", "text/plain"));
  std::string error;
  ASSERT_TRUE(platform::DownloadToFile(server.Url("/info"), folder.File("a.txt"), Options(), error))
      << error;
  EXPECT_EQ("news", folder.ReadBytes("a.txt"));
  EXPECT_EQ("Agent/1", server.Requests().at(1).Header("User-Agent"));

  EXPECT_FALSE(platform::DownloadToFile(server.Url("/missing"), folder.File("b.txt"), Options(), error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(platform::FileExists(folder.File("b.txt")));
  EXPECT_FALSE(platform::DownloadToFile("ftp://127.0.0.1/x", folder.File("c.txt"), Options(), error));
}
