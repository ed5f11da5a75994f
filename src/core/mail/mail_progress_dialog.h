// The logic of the two mail progress dialogs, "メール送信中" (runs a SendMail) and
// "メールチェック中" (runs a MailChecker): a bar from 0 to 6, one status line that blinks
// "接続中・・・・" until the first report, and the worker thread that talks to the server.
// The front end draws it through IMailDialogHost.
//
// Threads: every member but the worker's body runs on the thread that serves the dialog
// (the host's). The worker reports through the dialog's queue with Send, then Posts its
// end; the dialog joins it before it is destroyed.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <thread>

#include "core/mail/mail_message.h"
#include "core/mail/mail_server_info.h"
#include "core/mail/mail_window.h"
#include "core/mail/smtp.h"

class CMailProgressDialog {
 public:
  enum class Kind { Send, Check };
  static constexpr int kRangeMax = 6;

  // `message` (send only) is copied for the send: its file and recipients.
  CMailProgressDialog(Kind kind, const CMailServerInfo& settings, const CMailMessage* message,
                      bool logWanted, FILE* logFile);
  ~CMailProgressDialog();
  CMailProgressDialog(const CMailProgressDialog&) = delete;
  CMailProgressDialog& operator=(const CMailProgressDialog&) = delete;

  // The host's calls, on the thread that serves the dialog.
  // Once, when the dialog is up: `queue` carries tasks to that thread.
  void OnInitDialog(platform::IUiQueue& queue);
  // Every second while the dialog is open.
  void OnBlinkTimer();

  const char* Caption() const;
  const std::string& StatusText() const { return m_statusText; }
  int Position() const { return m_position; }
  // The final report has come: the dialog closes (the host may hide it).
  bool IsClosed() const { return m_closed; }
  // Closed and the worker has ended: the host's modal run may return.
  bool IsFinished() const { return m_closed && m_workerEnded; }
  // The last text reported.
  const std::string& Result() const { return m_strResult; }
  // How the send's connection went with TLS (after the worker has ended).
  SendMail::TlsUse Tls() const { return m_tls; }
  // How far the conversation came when it failed (after the worker has ended).
  MailFailure Failure() const { return m_failure; }
  // The communication log the run object used (to be kept by the job), or nullptr.
  FILE* LogFile() const { return m_logFile; }
  // Called with every non-empty text the dialog shows from a report.
  void SetTextListener(std::function<void(const std::string&)> listener) {
    m_listener = std::move(listener);
  }
  // For the host: called on the dialog's thread after every change of the status text,
  // the position, IsClosed or IsFinished.
  void SetChangeListener(std::function<void()> listener) { m_onChange = std::move(listener); }
  // Cancelling `cancel` ends the conversation at its next wait (set before OnInitDialog).
  void SetCancelSignal(std::shared_ptr<platform::CCancelSignal> cancel) {
    m_window.cancel = std::move(cancel);
  }
  // Waits for the worker (it has ended or is ending once IsFinished()).
  void Join();

 private:
  void OnMailStart();
  void OnMailProgress(int done, const std::string& text);
  void Changed();

  const Kind m_kind;
  const CMailServerInfo m_settings;
  CMailMessage m_message;
  const bool m_logWanted;
  FILE* m_logFile;
  platform::IUiQueue* m_queue = nullptr;
  MailWindow m_window;
  std::thread m_worker;
  std::function<void(const std::string&)> m_listener;
  std::function<void()> m_onChange;
  std::string m_strResult;
  std::string m_statusText;
  int m_position = 0;
  bool m_blinking = false;
  bool m_dotsShown = true;
  bool m_closed = false;
  bool m_workerEnded = false;
  SendMail::TlsUse m_tls = SendMail::TlsUse::Plain;  // written by the worker before it ends
  MailFailure m_failure = MailFailure::None;          // likewise
};

// The front end's side: shows one progress dialog modally for the calling thread.
class IMailDialogHost {
 public:
  virtual ~IMailDialogHost() = default;
  // Calls dialog.OnInitDialog(queue) once with the queue of the thread that serves the
  // dialog, dialog.OnBlinkTimer() once a second while it is open, redraws from its getters
  // after every task, and once dialog.IsFinished() calls dialog.Join() (the worker's last
  // act is a post to the queue, which must outlive it) and returns.
  virtual void RunModal(CMailProgressDialog& dialog) = 0;
};

inline constexpr const char* kConnectingText = "接続中・・・・";
inline constexpr const char* kConnectingBlankText = "接続中　　　　";
