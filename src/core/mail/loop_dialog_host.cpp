#include "core/mail/loop_dialog_host.h"

#include <chrono>

void CLoopDialogHost::RunModal(CMailProgressDialog& dialog) {
  ++m_dialogCount;
  platform::CLoopQueue queue;
  dialog.OnInitDialog(queue);
  // The clients' own time-outs bound the run; the loop wakes each second to blink.
  while (!queue.RunUntil([&] { return dialog.IsFinished(); }, 1000)) dialog.OnBlinkTimer();
  // The worker's last act was a post to this queue: join it before the queue goes.
  dialog.Join();
}
