// A mail dialog host without a window, for the CLI and the tests: the calling thread
// serves the dialog's queue itself until the dialog's work is over.
#pragma once

#include "core/mail/mail_progress_dialog.h"
#include "platform/ui_queue.h"

class CLoopDialogHost : public IMailDialogHost {
 public:
  void RunModal(CMailProgressDialog& dialog) override;
  // How many dialogs ran, and the caption of the last.
  int DialogCount() const { return m_dialogCount; }

 private:
  int m_dialogCount = 0;
};
