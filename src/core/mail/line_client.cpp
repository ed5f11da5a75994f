#include "core/mail/line_client.h"

#include <cctype>

#include "core/mail/mail_log.h"

namespace {

const char* const kKindNames[] = {"送信", "受信", "error", "info", "debug"};

}  // namespace

std::string TrimRight(std::string text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
  return text;
}

std::string ServerSaid(const std::string& reply) {
  std::string said = TrimRight(reply);
  for (std::size_t at; (at = said.find("\r\n")) != std::string::npos;) said.replace(at, 2, " / ");
  if (said.size() > 300) said = said.substr(0, 300) + "...";
  return said.empty() ? std::string() : "(サーバーの応答: " + said + ")";
}

CLineClient::CLineClient(const MailWindow* window) : m_hNotifyWnd(window) {}

int CLineClient::Fail(MailFailure kind, const std::string& text) {
  m_failure = kind;
  m_strMessage = text;
  return -1;
}

CLineClient::~CLineClient() = default;

void CLineClient::SetTimeouts(std::uint32_t connectMs, std::uint32_t replyMs) {
  m_connectTimeoutMs = connectMs;
  m_replyTimeoutMs = replyMs;
}

int CLineClient::Connect(const std::string& host, int port) {
  if (!m_pBuffer) m_pBuffer = std::make_unique<char[]>(kBufferSize);
  m_host = host;
  m_pSocket = std::make_unique<platform::CTcpSocket>();
  if (m_hNotifyWnd) m_pSocket->SetCancelSignal(m_hNotifyWnd->cancel);
  int error = m_pSocket->Connect(host, port & 0xFFFF, m_connectTimeoutMs);
  if (error != 0) {
    m_pSocket.reset();
    return Fail(MailFailure::Connection, ConnectFailureText(host, port, error));
  }
  m_failure = MailFailure::None;
  m_strMessage = "サーバー" + host + "との接続完了";
  return 0;
}

std::string CLineClient::Open(const std::string& host) {
  if (Connect(host, m_nPort) != 0) return {};
  if (m_implicitTls && StartTls() != 0) return {};
  return Receive();
}

void CLineClient::SetTls(bool implicit, const std::string& extraCaFile) {
  m_implicitTls = implicit;
  m_extraCaFile = extraCaFile;
}

int CLineClient::StartTls() {
  if (!m_pSocket) {
    m_strMessage = ErrorText(10057);
    return -1;
  }
  // An empty host name is this computer, as Connect took it.
  const std::string host = m_host.empty() ? "localhost" : m_host;
  int error = m_pSocket->StartTls(host, m_extraCaFile, m_replyTimeoutMs);
  if (error != 0) {
    Fail(MailFailure::Tls, error == platform::kWsaTimedOut ? kReplyTimedOut
                           : error == -1                   ? TlsFailureText()
                                                           : ErrorText(error));
    Close();
    return -1;
  }
  const platform::CTlsChannel& tls = *m_pSocket->Tls();
  Log(tls.Version() + " 証明書: " + tls.PeerSubject(), kLogInfo);
  return 0;
}

std::string CLineClient::TlsFailureText() const {
  const platform::CTlsChannel* tls = m_pSocket->Tls();
  if (!tls) return kTlsFailed;
  using platform::CertificateProblem;
  switch (tls->Failure()) {
    case platform::TlsFailure::Closed: return kTlsClosed;
    case platform::TlsFailure::Certificate: break;
    default: return std::string(kTlsFailed) + "(" + tls->FailureDetail() + ")";
  }
  switch (tls->Problem()) {
    case CertificateProblem::HostName: return kTlsHostMismatch;
    case CertificateProblem::Expired: return kTlsExpired;
    case CertificateProblem::NotYetValid: return kTlsNotYetValid;
    case CertificateProblem::Untrusted: return kTlsUntrusted;
    default: return "証明書の検証に失敗しました。(" + tls->FailureDetail() + ")";
  }
}

int CLineClient::Send(const std::string& text) {
  if (!m_pSocket) {
    m_strMessage = ErrorText(10057);
    return -1;
  }
  if (!m_pSocket->SendAll(text.data(), text.size(), m_replyTimeoutMs)) {
    return Fail(MailFailure::Connection, ErrorText(m_pSocket->LastError()));
  }
  return 0;
}

bool CLineClient::IsReplyComplete(const std::string& reply) const {
  return reply.find('\n') != std::string::npos;
}

std::string CLineClient::Receive() {
  if (!m_pSocket) {
    m_strMessage = ErrorText(10057);
    return {};
  }
  std::string reply;
  do {
    long count = m_pSocket->Receive(m_pBuffer.get(), kBufferSize, m_replyTimeoutMs);
    if (count < 0) {
      Fail(MailFailure::Connection, m_pSocket->LastError() == platform::kWsaTimedOut
                                        ? std::string(kReplyTimedOut)
                                        : ErrorText(m_pSocket->LastError()));
      return {};
    }
    if (count == 0) {
      Fail(MailFailure::Connection, "接続が閉じられました。");
      return {};
    }
    reply.append(m_pBuffer.get(), static_cast<std::size_t>(count));
  } while (!IsReplyComplete(reply) && reply.size() < kMaxReply);
  return reply;
}

std::string CLineClient::SendReceive(const std::string& text) {
  if (Send(text) != 0) return {};
  return Receive();
}

void CLineClient::Quit() {
  // The reply is not judged, so a failure here must not replace the reason of a refusal
  // that led to the quit.
  const std::string reason = m_strMessage;
  const MailFailure failure = m_failure;
  const std::string command = "QUIT\r\n";
  Log(command, kLogSent);
  std::string reply = SendReceive(command);
  Log(reply, kLogReceived);
  Notify("", 0);
  Close();
  m_strMessage = reason;
  m_failure = failure;
}

void CLineClient::Close() {
  if (m_pSocket) m_pSocket->Close();
  m_pSocket.reset();
}

void CLineClient::Notify(const std::string& text, int done) {
  if (!m_hNotifyWnd || !m_hNotifyWnd->queue || !m_hNotifyWnd->onProgress) return;
  const MailWindow* window = m_hNotifyWnd;
  window->queue->Send([window, &text, done] { window->onProgress(done, text); });
}

std::string CLineClient::ErrorText(int code) {
  switch (code) {
    case 10013: return "WSAEACCES";
    case 10014: return "WSAEFAULT";
    case 10022: return "WSAEINVAL";
    case 10035: return "WSAEWOULDBLOCK";
    case 10036: return "WSAEINPROGRESS";
    case 10038: return "WSAENOTSOCK";
    case 10040: return "データグラムが長すぎる";
    case 10045: return "WSAEOPNOTSUPP";
    case 10050: return "ネットワークサブシステム異常";
    case 10052: return "WSAENETRESET";
    case 10053: return "WSAECONNABORTED";
    case 10054: return "WSAECONNRESET";
    case 10055: return "WSAENOBUFS";
    case 10057: return "ソケットが接続されていません";
    case 10058: return "WSAESHUTDOWN";
    case 10093: return "AfxSocketInitが正常終了していません";
    default: return "通信エラー (" + std::to_string(code) + ")";
  }
}

std::string CLineClient::ConnectFailureText(const std::string& host, int port, int error) {
  const std::string server = host.empty() ? std::string("localhost") : host;
  const std::string cannot = "サーバー" + server + " (ポート " + std::to_string(port) + ") に接続できません。";
  switch (error) {
    case platform::kWsaTimedOut: return cannot + "(時間切れ)";
    case platform::kWsaConnRefused: return cannot + "(接続が拒否されました)";
    case platform::kWsaHostNotFound: return "サーバー名 " + server + " が見つかりません。";
    case 10051:
    case 10065: return cannot + "(ネットワークに到達できません)";
    default: return cannot + "(" + ErrorText(error) + ")";
  }
}

void CLineClient::SetLogFile(FILE* file) {
  if (file) m_pLogFile = file;
}

void CLineClient::StartLog(FILE* file) {
  SetLogFile(file);
  WriteMailLogLine(m_pLogFile, kMailLogStartText);
}

void CLineClient::Log(const std::string& text, int kind) {
  if (!m_pLogFile) return;
  std::string entry = text;
  if (kind < 0 || kind > 4) {
    entry = "msg = " + text + " nKindOf = " + std::to_string(kind);
    kind = kLogDebug;
  }
  WriteMailLogLine(m_pLogFile, std::string("[") + kKindNames[kind] + "] " + TrimRight(entry));
}

void CLineClient::LogError(const std::string& text) {
  Log(text.empty() ? std::string("不明なエラーが発生しました。") : text, kLogError);
}
