// The folder chooser "どのフォルダを選びますか？": the folder tree of the file system with
// an edit box below it in which a text beginning with "/" creates that subfolder of the
// selected folder (CFolderBrowserLogic holds the rules). After a subfolder was made the
// chooser opens again with it selected.
//
// Threads: UI thread only. The prompter outlives the object.
#pragma once

#include <string>
#include <wx/dialog.h>

#include "core/links/folder_browser_logic.h"

class IPrompter;
class wxGenericDirCtrl;
class wxTextCtrl;

class CFolderBrowser {
 public:
  CFolderBrowser(wxWindow* owner, IPrompter& prompter);

  void SetInitialFolder(const std::string& folder) { m_logic.SetInitialFolder(folder); }
  // The folder chosen, or empty when the user cancelled.
  std::string Run();

  // The dialog of one browse, for tests: `shown` is called with it once it is up.
  static void SetShownHook(void (*shown)(wxDialog& dialog));

 private:
  std::string BrowseOnce();

  wxWindow* m_owner;
  CFolderBrowserLogic m_logic;
};

// The dialog of one browse.
class CFolderBrowseDialog : public wxDialog {
 public:
  CFolderBrowseDialog(wxWindow* owner, CFolderBrowserLogic& logic);
  const std::string& Result() const { return m_result; }
  wxGenericDirCtrl* Tree() const { return m_tree; }
  wxTextCtrl* Edit() const { return m_edit; }
  // OK as the button does it.
  void Confirm();

 private:
  CFolderBrowserLogic& m_logic;
  wxGenericDirCtrl* m_tree = nullptr;
  wxTextCtrl* m_edit = nullptr;
  std::string m_result;
};
