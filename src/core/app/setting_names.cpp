#include "core/app/setting_names.h"

#include "core/app/env_settings.h"
#include "core/notify/notify_address.h"
#include "platform/cp932.h"
#include "platform/proxy_address.h"

namespace {

constexpr const char* kHiddenPassword = "********";
constexpr const char* kAuthUnknownText = "不明";

bool HasControlCharacter(const std::string& value) {
  for (char ch : value) {
    if (static_cast<unsigned char>(ch) < 0x20 || ch == 0x7F) return true;
  }
  return false;
}

NamedSetting Text(const char* name, std::string AppSettings::*member, const char* allowed) {
  return {name, allowed, [member](const AppSettings& settings) { return settings.*member; },
          [member](AppSettings& settings, const std::string& value) {
            if (HasControlCharacter(value)) return false;
            settings.*member = value;
            return true;
          }};
}

NamedSetting Flag(const char* name, int AppSettings::*member, const char* allowed = "0 か 1") {
  return {name, allowed,
          [member](const AppSettings& settings) { return std::to_string(settings.*member); },
          [member](AppSettings& settings, const std::string& value) {
            if (value != "0" && value != "1") return false;
            settings.*member = value == "1" ? 1 : 0;
            return true;
          }};
}

NamedSetting MailPort() {
  return {"mail-port", "1 から 65535 までの整数",
          [](const AppSettings& settings) { return std::to_string(settings.m_mailPort); },
          [](AppSettings& settings, const std::string& value) {
            std::optional<int> port = ParseMailPort(value);
            if (!port) return false;
            settings.m_mailPort = *port;
            return true;
          }};
}

// A whole number from `minimum` to `maximum` in the member.
NamedSetting Range(const char* name, int AppSettings::*member, int minimum, int maximum,
                   const std::string& allowed) {
  return {name, allowed,
          [member](const AppSettings& settings) { return std::to_string(settings.*member); },
          [member, minimum, maximum](AppSettings& settings, const std::string& value) {
            if (value.empty() || value.size() > 9 ||
                value.find_first_not_of("0123456789") != std::string::npos) {
              return false;
            }
            int number = std::stoi(value);
            if (number < minimum || number > maximum) return false;
            settings.*member = number;
            return true;
          }};
}

// A whole number from 0 to `maximum` (0: no limit) in the member.
NamedSetting Limit(const char* name, int AppSettings::*member, int maximum, const char* unit) {
  return Range(name, member, 0, maximum,
               "0 (制限なし) から " + std::to_string(maximum) + " までの" + unit);
}

NamedSetting MailSecuritySetting() {
  static constexpr const char* kNames[] = {"none", "starttls", "tls"};
  return {"mail-security", "none (暗号化なし)、starttls か tls",
          [](const AppSettings& settings) {
            return std::string(kNames[static_cast<int>(settings.m_mailSecurity)]);
          },
          [](AppSettings& settings, const std::string& value) {
            for (int index = 0; index < 3; ++index) {
              if (value != kNames[index]) continue;
              settings.m_mailSecurity = static_cast<MailSecurity>(index);
              return true;
            }
            return false;
          }};
}

NamedSetting MailPassword() {
  NamedSetting setting = Text("mail-password", &AppSettings::m_mailPassword,
                              "任意の文字列 (「-」で標準入力から読みます)");
  setting.get = [](const AppSettings& settings) {
    return settings.m_mailPassword.empty() ? std::string() : std::string(kHiddenPassword);
  };
  return setting;
}

// "host:port" or "user:password@host:port"; printed with the password hidden.
NamedSetting Proxy() {
  return {"proxy",
          "ホスト名:ポート (ポートは 1 から 65535)、ユーザー:パスワード@ホスト名:ポート、"
          "または空の文字列でなし",
          [](const AppSettings& settings) { return platform::MaskedProxyText(settings.m_proxy); },
          [](AppSettings& settings, const std::string& value) {
            if (value.empty()) {
              settings.m_proxy.clear();
              return true;
            }
            if (HasControlCharacter(value)) return false;
            platform::ProxyAddress proxy = platform::ParseProxy(value);
            bool login = platform::FindLastChar(value, '@') != std::string::npos;
            if (proxy.host.empty() || proxy.port.empty() || (login && proxy.user.empty()) ||
                CheckProxyParts(proxy.host, proxy.port, proxy.user, proxy.password)) {
              return false;
            }
            settings.m_proxy = JoinProxy(proxy.host, proxy.port, proxy.user, proxy.password);
            return true;
          }};
}

// A text that `accepts` must take besides.
NamedSetting CheckedText(const char* name, std::string AppSettings::*member, const char* allowed,
                         std::function<bool(const std::string&)> accepts) {
  NamedSetting setting = Text(name, member, allowed);
  auto store = setting.set;
  setting.set = [store, accepts](AppSettings& settings, const std::string& value) {
    return accepts(value) && store(settings, value);
  };
  return setting;
}

// A PEM file of certificates trusted besides the system's; empty for none.
NamedSetting ExtraCaFile() {
  return CheckedText("ca-file", &AppSettings::m_extraCaFile,
                     "PEM 形式の CA 証明書のファイル、または空の文字列でなし",
                     [](const std::string& value) { return !CheckExtraCaFile(value); });
}

// Addresses separated by blanks or line ends, kept one a line; printed on one line with
// their secrets masked.
NamedSetting NotifyUrls() {
  auto lines = [](std::string value) {
    for (char& ch : value) {
      if (ch == ' ' || ch == '\t' || ch == '\r') ch = '\n';
    }
    return value;
  };
  NamedSetting setting{"notify-urls",
                       "通知先を空白で区切って並べます (例 ntfys://ntfy.sh/トピック)、空の文字列でなし",
                       [](const AppSettings& settings) {
                         std::string masked = MaskedNotifyAddressList(settings.m_notifyUrls);
                         for (char& ch : masked) ch = ch == '\n' ? ' ' : ch;
                         return masked;
                       },
                       [lines](AppSettings& settings, const std::string& value) {
                         std::string list = lines(value);
                         if (!CheckNotifyAddressList(list).empty()) return false;
                         std::string kept;
                         for (const std::string& address : NotifyAddressLines(list)) kept += address + "\n";
                         settings.m_notifyUrls = kept;
                         return true;
                       }};
  setting.why = [lines](const std::string& value) { return CheckNotifyAddressList(lines(value)); };
  return setting;
}

// The copy of the feed of changes: an absolute path, or empty for none.
NamedSetting FeedCopy() {
  return CheckedText("feed-copy", &AppSettings::m_feedCopyPath,
                     "更新フィードのコピーを置くファイルの絶対パス、または空の文字列でなし",
                     [](const std::string& value) { return value.empty() || value[0] == '/'; });
}

NamedSetting AuthState() {
  // "不明" (what a failed test leaves) reads as empty: not known.
  return {"smtp-auth", "mailtest が調べます",
          [](const AppSettings& settings) {
            return settings.m_smtpAuthState == kAuthUnknownText ? std::string()
                                                                 : settings.m_smtpAuthState;
          },
          {}};
}

std::vector<NamedSetting> MakeTable() {
  return {
      Text("mail-server", &AppSettings::m_mailServer, "ホスト名またはIPアドレス"),
      MailPort(),
      MailSecuritySetting(),
      Text("mail-account", &AppSettings::m_mailAccount, "メールアドレス"),
      Text("mail-user", &AppSettings::m_mailUser,
           "ログインに使うユーザー名 (空: メールアドレスとその「@」の前を試します)"),
      MailPassword(),
      AuthState(),
      Proxy(),
      Flag("no-proxy-for-local", &AppSettings::m_noProxyForLocal),
      ExtraCaFile(),
      Flag("start-resident", &AppSettings::m_startResident),
      Flag("reset-on-list-close", &AppSettings::m_resetOnListClose),
      Flag("list-double-click", &AppSettings::m_listDoubleClick,
           "0 (サイトの表示) か 1 (サイト定義の編集)"),
      Flag("link-overwrite", &AppSettings::m_linkOverwrite),
      Flag("desktop-notify", &AppSettings::m_desktopNotify),
      Limit("fetch-time-limit", &AppSettings::m_fetchTimeLimit, 86400, "秒数"),
      Limit("page-size-limit", &AppSettings::m_pageSizeLimitMiB, 4096, "MiB"),
      Range("change-history", &AppSettings::m_historyCount, 0, 20, "0 から 20 までの整数"),
      Range("check-jobs", &AppSettings::m_checkJobs, 1, kMaxCheckJobs, "1 から 16 までの整数"),
      Range("host-interval", &AppSettings::m_hostInterval, 0, 3600, "0 から 3600 までの秒数"),
      Flag("autostart", &AppSettings::m_autostart),
      Range("error-alert-after", &AppSettings::m_errorAlertAfter, 0, kMaxErrorAlertAfter,
            "0 (通知しない) から 100 までの回数"),
      NotifyUrls(),
      FeedCopy(),
      Range("browser-jobs", &AppSettings::m_browserJobs, 1, kMaxBrowserJobs, "1 から 4 までの整数"),
  };
}

}  // namespace

const std::vector<NamedSetting>& NamedSettings() {
  static const std::vector<NamedSetting> table = MakeTable();
  return table;
}

const NamedSetting* FindNamedSetting(const std::string& name) {
  for (const NamedSetting& setting : NamedSettings()) {
    if (setting.name == name) return &setting;
  }
  return nullptr;
}

std::string NamedSettingList() {
  std::string list;
  for (const NamedSetting& setting : NamedSettings()) {
    if (!list.empty()) list += ", ";
    list += setting.name;
  }
  return list;
}
