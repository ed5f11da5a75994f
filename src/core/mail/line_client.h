// The common base of the SMTP and POP3 clients: one TCP connection to a mail server,
// commands sent as text, replies read up to their final line, socket errors turned into
// display texts, progress reported to the dialog, and the communication log.
//
// Threads: a client is created, used and destroyed on one worker thread (the progress
// dialog's worker). Notify blocks that thread until the dialog's thread has handled the
// report. The log file is not owned: the mail job closes it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "core/mail/mail_window.h"
#include "platform/tcp_socket.h"

enum LogKind { kLogSent = 0, kLogReceived = 1, kLogError = 2, kLogInfo = 3, kLogDebug = 4 };

inline constexpr std::uint32_t kDefaultConnectTimeoutMs = 30000;
inline constexpr std::uint32_t kDefaultReplyTimeoutMs = 60000;

// Why a connection could not be made secure.
inline constexpr const char* kTlsHostMismatch = "証明書の検証に失敗しました。(ホスト名が一致しません)";
inline constexpr const char* kTlsExpired = "証明書の検証に失敗しました。(有効期限切れ)";
inline constexpr const char* kTlsNotYetValid = "証明書の検証に失敗しました。(有効期間前)";
inline constexpr const char* kTlsUntrusted = "証明書の検証に失敗しました。(信頼された発行者ではありません)";
inline constexpr const char* kTlsFailed = "TLSの接続に失敗しました。";
inline constexpr const char* kTlsClosed = "TLSの接続中に接続が閉じられました。";
inline constexpr const char* kReplyTimedOut = "サーバーから応答がありません。(時間切れ)";

// How far a conversation came before it failed: no connection (refused, name not found,
// time-out, closed), no TLS, the login refused (the password was sent), or a command
// refused.
enum class MailFailure { None, Connection, Tls, Login, Refused };

class CLineClient {
 public:
  // `window` may be nullptr: then no progress is reported. It must outlive the client.
  explicit CLineClient(const MailWindow* window);
  virtual ~CLineClient();
  CLineClient(const CLineClient&) = delete;
  CLineClient& operator=(const CLineClient&) = delete;

  // 0, or -1 with the reason in the message; on success the message is
  // "サーバー%sとの接続完了".
  int Connect(const std::string& host, int port);
  // Connects to `host` on m_nPort (TLS from the first byte when SetTls asked for it) and
  // returns the greeting; empty on failure.
  std::string Open(const std::string& host);
  // TLS on the open connection, the host name checked against the certificate. 0, or -1
  // with the reason in the message (the connection is then closed). The TLS version and
  // the certificate's subject are logged.
  int StartTls();
  // `implicit`: Open starts TLS before the greeting. `extraCaFile`: PEM certificates
  // trusted besides the system's store, or empty.
  void SetTls(bool implicit, const std::string& extraCaFile);
  bool IsTls() const { return m_pSocket && m_pSocket->IsTls(); }
  bool IsConnected() const { return m_pSocket != nullptr; }
  // Writes the whole text (commands carry their own "\r\n"); 0 or -1.
  int Send(const std::string& text);
  // One complete reply; empty on an error, a time-out or when the peer closed.
  std::string Receive();
  std::string SendReceive(const std::string& text);
  // "QUIT\r\n", its reply (logged, not tested), a progress step, then Close. The message
  // text stays as it was.
  void Quit();
  void Close();

  void Notify(const std::string& text, int done);
  std::string GetMessage() const { return m_strMessage; }
  MailFailure Failure() const { return m_failure; }
  // The failure's text and kind; -1.
  int Fail(MailFailure kind, const std::string& text);
  static std::string ErrorText(int code);
  // Why a connection to `host` could not be made, in words (refused, name not found, ...).
  static std::string ConnectFailureText(const std::string& host, int port, int error);

  void SetLogFile(FILE* file);
  void StartLog(FILE* file);
  void Log(const std::string& text, int kind);
  void LogError(const std::string& text);

  void SetPort(int port) { m_nPort = port; }
  int Port() const { return m_nPort; }
  void SetTimeouts(std::uint32_t connectMs, std::uint32_t replyMs);

 protected:
  // Whether `reply` (all bytes received for one command so far) is a whole reply. The
  // base takes the first complete line; SMTP waits for the final line of a multi-line one.
  virtual bool IsReplyComplete(const std::string& reply) const;
  // The local address of the connection as text; false without one.
  bool LocalAddress(std::string& text) const { return m_pSocket && m_pSocket->LocalAddress(text); }

  const MailWindow* m_hNotifyWnd;
  std::string m_strMessage;
  MailFailure m_failure = MailFailure::None;
  FILE* m_pLogFile = nullptr;
  int m_nPort = 0;

 private:
  static constexpr std::size_t kBufferSize = 1024;
  // A reply longer than this is cut off: no server sends one to our commands.
  static constexpr std::size_t kMaxReply = 64 * 1024;

  std::unique_ptr<char[]> m_pBuffer;
  std::string TlsFailureText() const;

  std::unique_ptr<platform::CTcpSocket> m_pSocket;
  std::string m_host;
  bool m_implicitTls = false;
  std::string m_extraCaFile;
  std::uint32_t m_connectTimeoutMs = kDefaultConnectTimeoutMs;
  std::uint32_t m_replyTimeoutMs = kDefaultReplyTimeoutMs;
};

// Trailing white space (as isspace) removed.
std::string TrimRight(std::string text);
// "(サーバーの応答: ...)" with the reply's lines joined, for a refusal's message.
std::string ServerSaid(const std::string& reply);
