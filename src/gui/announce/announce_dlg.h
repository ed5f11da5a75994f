// "Pagewardenの新しいお知らせがあります": the question whether to read a new announcement,
// a small window without caption with the application icon and three buttons: "はい" (the
// default), "次の機会にします" and "拒否します" (also Esc).
//
// Threads: UI thread only.
#pragma once

#include <wx/dialog.h>

#include "core/announce/announce_check.h"

class CAnnounceDlg : public wxDialog {
 public:
  enum { ID_NEXT_TIME = wxID_HIGHEST + 700 };
  explicit CAnnounceDlg(wxWindow* parent);

  // What the code ShowModal ended with means.
  static AnnounceAnswer ToAnswer(int code);
  // Tests: called with each dialog once it runs modally.
  static void SetShownHook(void (*shown)(CAnnounceDlg& dialog));
};
