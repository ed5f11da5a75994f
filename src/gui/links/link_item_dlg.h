// "リンクアイテムの編集": the file name, name and address of one link. Resizable: the
// edits stretch with the width and the notes keep to the right edge; never smaller than
// at first.
//
// Threads: UI thread only.
#pragma once

#include <string>
#include <wx/dialog.h>

class wxTextCtrl;

class CLinkItemDlg : public wxDialog {
 public:
  CLinkItemDlg(wxWindow* parent, const std::string& fileName, const std::string& name,
               const std::string& url);

  std::string FileName() const;
  std::string LinkName() const;
  std::string Url() const;

 private:
  wxTextCtrl* m_fileName = nullptr;
  wxTextCtrl* m_name = nullptr;
  wxTextCtrl* m_url = nullptr;
};
