#include "core/mail/mail_progress_dialog.h"

#include <functional>
#include <memory>

#include "core/mail/pop3.h"
#include "core/mail/smtp.h"

CMailProgressDialog::CMailProgressDialog(Kind kind, const CMailServerInfo& settings,
                                         const CMailMessage* message, bool logWanted,
                                         FILE* logFile)
    : m_kind(kind), m_settings(settings), m_logWanted(logWanted), m_logFile(logFile) {
  if (message) m_message.CopyForSend(*message);
}

CMailProgressDialog::~CMailProgressDialog() { Join(); }

void CMailProgressDialog::Join() {
  if (m_worker.joinable()) m_worker.join();
}

const char* CMailProgressDialog::Caption() const {
  return m_kind == Kind::Send ? "メール送信中" : "メールチェック中";
}

void CMailProgressDialog::OnInitDialog(platform::IUiQueue& queue) {
  m_queue = &queue;
  m_position = 0;
  m_statusText = kConnectingText;
  m_blinking = true;
  m_dotsShown = true;
  m_window.queue = &queue;
  m_window.onProgress = [this](int done, const std::string& text) { OnMailProgress(done, text); };
  queue.Post([this] { OnMailStart(); });
}

void CMailProgressDialog::OnBlinkTimer() {
  if (!m_blinking) return;
  m_dotsShown = !m_dotsShown;
  m_statusText = m_dotsShown ? kConnectingText : kConnectingBlankText;
  Changed();
}

void CMailProgressDialog::Changed() {
  if (m_onChange) m_onChange();
}

void CMailProgressDialog::OnMailStart() {
  // The run object belongs to the worker, which deletes it when the run is over.
  std::function<void()> run;
  if (m_kind == Kind::Send) {
    auto sender = std::make_shared<SendMail>();
    m_logFile = sender->OpenLog(m_logWanted, m_logFile, &m_window);
    run = [this, sender] {
      sender->Run(m_settings, m_message);
      m_tls = sender->Tls();
      m_failure = sender->Failure();
    };
  } else {
    auto checker = std::make_shared<MailChecker>();
    m_logFile = checker->OpenLog(m_logWanted, m_logFile, &m_window);
    run = [this, checker] {
      if (m_settings.m_strPopMethod == "APOP") {
        checker->CheckApop(m_settings);
      } else {
        checker->CheckUserPass(m_settings);
      }
      m_failure = checker->Failure();
    };
  }
  m_worker = std::thread([this, run = std::move(run)]() mutable {
    run();
    run = nullptr;
    m_queue->Post([this] {
      m_workerEnded = true;
      Changed();
    });
  });
}

void CMailProgressDialog::OnMailProgress(int done, const std::string& text) {
  m_blinking = false;
  m_strResult = text;
  if (!text.empty()) {
    m_statusText = text;
    if (m_listener) m_listener(text);
  }
  if (done) {
    m_closed = true;
  } else if (!m_closed && m_position < kRangeMax) {
    ++m_position;
  }
  Changed();
}
