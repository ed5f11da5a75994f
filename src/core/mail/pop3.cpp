#include "core/mail/pop3.h"

#include <openssl/evp.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "core/mail/mail_log.h"

namespace {

// The APOP digest: MD5 of the text's bytes as 32 lower-case hexadecimal digits.
std::string Md5Hex(const std::string& text) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (!EVP_Digest(text.data(), text.size(), digest, &length, EVP_md5(), nullptr)) return {};
  std::string hex;
  char pair[3];
  for (unsigned int i = 0; i < length; ++i) {
    std::snprintf(pair, sizeof pair, "%02x", digest[i]);
    hex += pair;
  }
  return hex;
}

}  // namespace

CPop3::CPop3(const MailWindow* window) : CLineClient(window) { m_nPort = 110; }

bool CPop3::Command(const std::string& command, const std::string& logged, std::string& reply) {
  Log(logged, kLogSent);
  reply = SendReceive(command);
  Log(reply, kLogReceived);
  Notify("", 0);
  return reply.compare(0, 3, "+OK") == 0;
}

int CPop3::Refuse(MailFailure kind, const std::string& text, const std::string& reply,
                  bool quit) {
  // An empty reply failed in the connection, which has said why.
  if (!(reply.empty() && m_failure == MailFailure::Connection)) {
    Fail(kind, text + ServerSaid(reply));
  }
  if (quit) {
    Quit();
  } else {
    Close();
  }
  Notify(m_strMessage, 1);
  return -1;
}

int CPop3::Login(const std::string& user, const std::string& password) {
  std::string reply;
  std::string command = "USER " + user + "\r\n";
  if (!Command(command, command, reply)) {
    return Refuse(MailFailure::Login, "このユーザーは受付られません。", reply, false);
  }
  if (!Command("PASS " + password + "\r\n", "PASS ********\r\n", reply)) {
    return Refuse(MailFailure::Login, "パスワードが違っています。", reply, true);
  }
  return MessageCount(reply);
}

int CPop3::Apop(const std::string& user, const std::string& password,
                const std::string& timestamp) {
  std::string command = "APOP " + user + " " + Md5Hex(timestamp + password) + "\r\n";
  std::string reply;
  if (!Command(command, command, reply)) {
    return Refuse(MailFailure::Login, "認証されませんでした。", reply, true);
  }
  return MessageCount(reply);
}

int CPop3::Stls() {
  std::string reply;
  const std::string command = "STLS\r\n";
  if (!Command(command, command, reply)) return Refuse(MailFailure::Tls, kNoStls, reply, true);
  return StartTls();
}

int CPop3::MessageCount(const std::string& reply) {
  std::size_t has = reply.find("has");
  if (has == std::string::npos) return 0;
  std::string rest = reply.substr(has + 3);
  std::size_t start = 0;
  while (start < rest.size() && std::isspace(static_cast<unsigned char>(rest[start]))) ++start;
  rest = rest.substr(start);
  return std::atoi(rest.substr(0, rest.find(' ')).c_str());
}

std::string CPop3::Timestamp(const std::string& greeting) {
  std::size_t open = greeting.find('<');
  std::string from = open == std::string::npos ? greeting : greeting.substr(open);
  std::size_t close = from.find('>');
  return close == std::string::npos ? std::string() : from.substr(0, close + 1);
}

FILE* OpenClientLog(CLineClient* client, const char* clientName, bool logWanted, FILE* logFile) {
  if (!logWanted) return nullptr;
  std::string missing = std::string("[error] ") + clientName + "オブジェクトがつくれませんでした。";
  if (logFile) {
    if (client) {
      client->SetLogFile(logFile);
    } else {
      WriteMailLogLine(logFile, missing);
    }
    return logFile;
  }
  FILE* opened = OpenMailLog();
  if (opened) {
    if (client) {
      client->StartLog(opened);
    } else {
      WriteMailLogLine(opened, kMailLogStartText);
      WriteMailLogLine(opened, missing);
    }
  }
  return opened;
}

MailChecker::~MailChecker() = default;

FILE* MailChecker::OpenLog(bool logWanted, FILE* logFile, const MailWindow* window) {
  m_pPop3 = std::make_unique<CPop3>(window);
  m_pLogFile = OpenClientLog(m_pPop3.get(), "CPop3", logWanted, logFile);
  return m_pLogFile;
}

int MailChecker::CheckUserPass(const CMailServerInfo& settings) { return Check(settings, false); }

int MailChecker::CheckApop(const CMailServerInfo& settings) { return Check(settings, true); }

int MailChecker::Check(const CMailServerInfo& settings, bool apop) {
  if (!m_pPop3) return -1;
  CPop3& pop3 = *m_pPop3;
  pop3.SetPort(settings.m_nPopPort);
  pop3.SetTimeouts(settings.m_connectTimeoutMs, settings.m_replyTimeoutMs);
  pop3.SetTls(settings.m_security == MailSecurity::Tls, settings.m_caFile);
  int count = -1;
  std::string result;
  std::string greeting = pop3.Open(settings.PopHost());
  if (!greeting.empty()) {
    if (m_pLogFile) pop3.Log(greeting, kLogReceived);
    // The APOP time stamp stays the one of the first greeting: there is no second.
    bool secured = settings.m_security != MailSecurity::StartTls || pop3.Stls() == 0;
    if (secured) {
      count = apop ? pop3.Apop(settings.m_strAccount, settings.m_strPassword,
                               CPop3::Timestamp(greeting))
                   : pop3.Login(settings.m_strAccount, settings.m_strPassword);
    }
    if (count >= 0) {
      pop3.Quit();
      result = std::to_string(count) + " 通のメールが届いています。";
    }
  }
  if (count < 0) result = pop3.GetMessage();
  if (m_pLogFile) pop3.Log(result, count >= 0 ? kLogInfo : kLogError);
  pop3.Notify(result, 1);
  return count;
}
