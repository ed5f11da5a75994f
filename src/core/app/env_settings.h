// The rules of the environment settings dialog "環境設定", without a display: the values
// its controls show, taken from the program-wide settings when it opens, checked when they
// are read back, written back on OK, and the "テスト送信" that finds out which SMTP
// authentication works. The wx dialog only draws these values and binds its controls.
//
// Threads: UI thread only. The mail test blocks it in the progress dialogs' modal runs.
#pragma once

#include <optional>
#include <string>

#include "core/common/app_settings.h"
#include "core/common/prompter.h"

class IMailDialogHost;

// What the controls hold. The edits keep their texts as typed; flags are 0 or 1.
struct EnvDialogValues {
  int startResident = 0;
  int resetOnListClose = 0;
  int desktopNotify = 1;  // "デスクトップ通知"
  int autostart = 0;  // "ログイン時に起動"
  int listDoubleClick = 0;  // 0 "サイトの表示", 1 "サイト定義の編集"
  int historyCount = 1;     // "変更履歴の数", 0 to 20 (kept within that range)
  int checkJobs = 4;        // "同時チェック数", 1 to 16 (kept within that range)
  int hostInterval = 0;     // "同一ホストの間隔" in seconds, 0 to 3600 (kept within that range)
  int fetchTimeLimit = 300;   // "チェックの時間の上限" in seconds, 0 (none) to 86400
  int pageSizeLimitMiB = 64;  // "ページサイズの上限" in MiB, 0 (none) to 4096
  std::string mailServer;
  std::string mailPort;
  int mailSecurity = 0;  // "暗号化": MailSecurity's value (none, STARTTLS, TLS)
  std::string mailAccount;
  std::string mailUser;  // "ユーザー名": empty: the address or its part before "@"
  std::string mailPassword;
  std::string proxyHost;
  std::string proxyPort;
  std::string proxyUser;      // empty: the proxy wants no login
  std::string proxyPassword;
  int noProxyForLocal = 1;
  std::string extraCaFile;  // "追加の CA 証明書"
  int errorAlertAfter = 3;  // "連続エラーの通知", 0 (off) to 100 (kept within that range)
  int browserJobs = 1;      // "同時ブラウザ数", 1 to 4 (kept within that range)
};

// Why values cannot be read back: the message for the user and the control to go to.
struct EnvRefusal {
  enum class Field { MailPort, ProxyHost, ProxyPort, ProxyUser, ExtraCaFile } field;
  std::string message;
};

inline constexpr int kMaxMailPort = 65535;
inline constexpr int kMaxHistoryCount = 20;
inline constexpr int kMaxHostInterval = 3600;
inline constexpr int kMaxErrorAlertAfter = 100;
inline constexpr int kMaxBrowserJobs = 4;
inline constexpr int kMaxFetchTimeLimit = 86400;
inline constexpr int kMaxPageSizeLimitMiB = 4096;
inline constexpr const char* kBadMailPort = "ポートには 1 から 65535 までの整数を入力してください。";
inline constexpr const char* kBadProxyPort =
    "プロキシのポートには 1 から 65535 までの整数を入力してください。";
inline constexpr const char* kBadProxyHost =
    "プロキシのホスト名には空白や「:」を入れず、ポートはポートの欄に入力してください。";
inline constexpr const char* kBadMailAddress = "メールアドレスが不正です。";
inline constexpr const char* kBadProxyUser =
    "プロキシのユーザー名には「:」や「@」を入れず、パスワードだけを入力しないでください。";
inline constexpr const char* kBadCaFile = "追加の CA 証明書のファイルが見つかりません。";

// The mail port as typed: a number from 1 to 65535 (blanks around it allowed).
std::optional<int> ParseMailPort(const std::string& text);
// nullopt when host, port and login may make the global proxy; an empty port is allowed
// (the proxy is then none).
std::optional<EnvRefusal> CheckProxyParts(const std::string& host, const std::string& port,
                                          const std::string& user = {},
                                          const std::string& password = {});
// The stored form: host + ":" + port when both are given, else none; with
// user + ":" + password + "@" before it when there is a user.
std::string JoinProxy(const std::string& host, const std::string& port,
                      const std::string& user = {}, const std::string& password = {});
// nullopt when `path` is empty or names a file (the extra CA file).
std::optional<EnvRefusal> CheckExtraCaFile(const std::string& path);

// The usual SMTP port of a security: 25, 587 for STARTTLS, 465 for TLS.
int UsualSmtpPort(MailSecurity security);

class CEnvSettings {
 public:
  // Opening: the settings as the controls show them; the proxy split at its first ':'.
  explicit CEnvSettings(const AppSettings& settings);

  EnvDialogValues& Values() { return m_values; }
  const EnvDialogValues& Values() const { return m_values; }
  // The "SMTP認証" text: the state found by the last test, "不明" while none is known.
  std::string AuthText() const;
  // What the field shows of it: the state in words ("認証なしで送信できます", ...).
  std::string AuthWords() const;

  // A new "暗号化" choice: the port becomes its usual one unless the user typed another
  // (a port that is none of the usual ones is kept).
  void ChooseSecurity(int security);

  // Reading the controls back: nullopt when every value can be taken.
  std::optional<EnvRefusal> Check() const;
  // OK: every value, and the state found by a test, into `settings`. Check first.
  void StoreInto(AppSettings& settings) const;

  // "テスト送信": a test mail from the account to itself through the mail job, which
  // shows its own progress dialogs and messages. A refused value or an account without
  // an at sign after its first character is told through `prompter` and nothing is sent.
  // The state found becomes the "SMTP認証" text, and "暗号化" becomes STARTTLS when a
  // test without it found that it works; the settings change only with OK.
  void TestSend(IMailDialogHost& host, IPrompter& prompter);

 private:
  EnvDialogValues m_values;
  std::string m_authState;
  // Which login works with no user name (MailLoginForm), as the settings or a test know it,
  // and the account and user name it was found for.
  int m_loginForm = 0;
  std::string m_loginFoundFor;
};
