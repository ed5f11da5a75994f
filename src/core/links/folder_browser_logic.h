// The rules of the folder chooser with subfolder creation, without the display. The
// chooser shows the folder tree and an edit box below it. Pressing OK with a text in the
// box that names no existing folder asks the rules: a text holding "/" names a subfolder
// of the selected folder to create (what follows the first "/", so "/new" and "a/new"
// both create "new"); after the question it is made, and the chooser opens again with
// it selected. Any other text keeps the chooser open.
//
// Threads: UI thread only. The prompter belongs to the caller.
#pragma once

#include <string>

class IPrompter;

class CFolderBrowserLogic {
 public:
  explicit CFolderBrowserLogic(IPrompter& prompter) : m_prompter(prompter) {}

  // The folder selected when the chooser opens.
  void SetInitialFolder(const std::string& folder) { m_initialFolder = folder; }
  const std::string& InitialFolder() const { return m_initialFolder; }
  // The selection changed to a folder of the file system.
  void SelectionChanged(const std::string& folder);
  const std::string& CurrentFolder() const { return m_currentFolder; }

  // What OK does with `typed`: the folder chosen (the selected one for an empty text, or
  // an existing folder the text names, absolute or inside the selected one), or empty
  // when the chooser is to stay open or to open again (Restart()).
  std::string Accept(const std::string& typed);
  // A subfolder was made: the chooser opens again with it selected.
  bool Restart() const { return m_restart; }
  void ClearRestart() { m_restart = false; }

 private:
  bool CreateSubfolder(const std::string& typed);

  IPrompter& m_prompter;
  std::string m_initialFolder;
  std::string m_currentFolder;
  bool m_restart = false;
};
