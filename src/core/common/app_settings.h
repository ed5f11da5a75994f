// The program-wide settings that the application object holds and the check engine, the
// retriever, the mail jobs, the windows and the link update read.
//
// Threads: written on the user-interface thread only (at start-up, and when the
// environment settings dialog ends with OK); a check takes a copy on that thread, so worker
// threads read only their copy.
#pragma once

#include <string>

// "暗号化" of the notification mail's connections (SMTP and POP before SMTP).
enum class MailSecurity { None = 0, StartTls = 1, Tls = 2 };

// The most checks that may run at once ("同時チェック数", `check-jobs`).
inline constexpr int kMaxCheckJobs = 16;

struct AppSettings {
  std::string m_mailServer;     // host name or IP address of the mail server
  int m_mailPort = 25;
  std::string m_mailAccount;    // the sender address
  std::string m_mailPassword;   // plain text; the settings archive is kept owner-only
  std::string m_smtpAuthState;  // what the last mail test found; empty: unknown
  int m_startResident = 0;      // go to the tray at start-up
  int m_resetOnListClose = 0;   // clear all update marks when the watch list window closes
  int m_listDoubleClick = 0;    // double-click in the watch list: 0 show the site, 1 edit it
  // Global proxy "host:port", or "user:password@host:port" for a proxy that wants a login
  // (the password kept like the mail password); empty for none.
  std::string m_proxy;
  int m_noProxyForLocal = 1;    // do not use the proxy for local addresses
  int m_linkOverwrite = 0;      // link update overwrites a changed file instead of numbering
  int m_fetchTimeLimit = 300;   // seconds a check's request may take in all; 0: no limit
  int m_desktopNotify = 1;      // "デスクトップ通知": a desktop notification for every update
  // "ページサイズの上限": a page larger than this many MiB ends its fetch as an error, so
  // that an endless page fills neither the disk nor the memory; 0: no limit.
  int m_pageSizeLimitMiB = 64;
  int m_historyCount = 1;       // "変更履歴の数": previous versions kept per item, 0 to 20
  int m_checkJobs = 4;          // "同時チェック数": checks that may run at once, 1 to 16
  int m_hostInterval = 0;       // "同一ホストの間隔": seconds between two requests to one host
  MailSecurity m_mailSecurity = MailSecurity::None;
  int m_autostart = 0;          // "ログイン時に起動": the user's login starts the program resident
  // "追加の CA 証明書": a PEM file of certificates trusted besides the system's store (a
  // company CA); empty for none.
  std::string m_extraCaFile;
  // "ユーザー名": the login of SMTP AUTH and of POP before SMTP; empty: the mail address or
  // the part of it before "@", whichever m_mailLoginForm says.
  std::string m_mailUser;
  int m_mailLoginForm = 0;      // with no user name: a MailLoginForm
  // "連続エラーの通知": an item's actions run once with an alarm after this many checks
  // failed in a row, and once more when it works again; 0: no alarm.
  int m_errorAlertAfter = 3;
  // "通知先": notification addresses, one a line (secrets kept like the mail password), for
  // every item that sends to them and has none of its own.
  std::string m_notifyUrls;
  // A path the feed of changes is copied to after every entry; empty for none.
  std::string m_feedCopyPath;
  int m_browserJobs = 1;        // "同時ブラウザ数": headless browsers that may run at once, 1 to 4
};

// Which login works when no user name is set: not known yet (the whole address is tried,
// then the part before "@"), the whole address, or the part before "@" (what archives of
// older versions always sent).
enum MailLoginForm { kLoginNotKnown = 0, kLoginWholeAddress = 1, kLoginLocalPart = 2 };
