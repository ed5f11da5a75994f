// The prompter on wx: the authentication dialog and message boxes, modal to the main
// window. A caller on another thread is brought to the UI thread through the queue's
// Send and blocked until the user has answered.
//
// Threads: any thread. When the queue has closed (the program is ending) a question from
// a worker is answered as refused (no credentials, Cancel, or No when there is no Cancel).
// Owns nothing; the queue outlives it.
#pragma once

#include <functional>

#include "core/common/prompter.h"
#include "gui/wx_ui_queue.h"

class wxWindow;
class wxMessageDialog;

class CWxPrompter : public IPrompter {
 public:
  explicit CWxPrompter(CWxUiQueue& queue) : m_queue(queue) {}

  // The window the dialogs belong to (the main window); null or a hidden window: none.
  // Called on the UI thread.
  void SetOwner(std::function<wxWindow*()> owner) { m_owner = std::move(owner); }

  std::optional<Credentials> AskCredentials(const std::string& url,
                                            std::uint32_t timeoutMs) override;
  Answer ShowMessage(const std::string& text, Buttons buttons, Icon icon,
                     const std::string& caption = {}) override;

  // Builds the message box for ShowMessage (tests look at it without showing it).
  static wxMessageDialog* MakeMessageDialog(wxWindow* parent, const std::string& text,
                                            Buttons buttons, Icon icon,
                                            const std::string& caption);
  // What a wx answer means for the buttons shown.
  static Answer ToAnswer(int wxAnswer, Buttons buttons);
  // Hooks for tests: the dialog just before it is shown modally (UI thread).
  void SetBeforeShow(std::function<void(wxWindow*)> hook) { m_beforeShow = std::move(hook); }

 private:
  wxWindow* Owner() const;

  CWxUiQueue& m_queue;
  std::function<wxWindow*()> m_owner;
  std::function<void(wxWindow*)> m_beforeShow;
};
