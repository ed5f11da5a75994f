// The mail progress dialogs on wx ("メール送信中", "メールチェック中"): a bar from 0 to 6 and
// one status line, drawn from the dialog logic, modal while the mail conversation runs.
//
// Threads: RunModal may be called on any thread. The window itself always lives on the UI
// thread: a worker (the check engine sending a notification) is blocked through the
// queue's Send until the dialog has finished. Workers show their windows one after another. When the queue has closed (the program is
// ending) the conversation still runs to its end, without a window, on the calling
// thread. The queue outlives the host.
#pragma once

#include <functional>
#include <mutex>

#include "core/mail/mail_progress_dialog.h"
#include "gui/wx_ui_queue.h"

class wxWindow;

class CMailProgressHost : public IMailDialogHost {
 public:
  explicit CMailProgressHost(CWxUiQueue& queue) : m_queue(queue) {}

  // The window the dialog belongs to (the main window); null or hidden: none. UI thread.
  void SetOwner(std::function<wxWindow*()> owner) { m_owner = std::move(owner); }

  void RunModal(CMailProgressDialog& dialog) override;

  // A progress window is modal on the UI thread now (the worker that asked for it waits).
  bool IsShowing() const { return m_showing; }
  // Runs `then` on the UI thread once the window showing now has closed. UI thread.
  void WhenClosed(std::function<void()> then) { m_whenClosed = std::move(then); }

 private:
  void RunOnUiThread(CMailProgressDialog& dialog);

  CWxUiQueue& m_queue;
  std::mutex m_turn;  // held by the worker whose window is up
  std::function<wxWindow*()> m_owner;
  bool m_showing = false;
  std::function<void()> m_whenClosed;
};
