// The change window "変更点": the changed lines of a page with their context, removed
// lines on red and added lines on green, in a fixed-width Japanese font, with "前へ" and
// "次へ" between the changes. Its rules are CChangeView's; this window only draws them.
//
// Threads: UI thread. The window is modeless and destroys itself when closed.
#pragma once

#include <vector>
#include <wx/frame.h>

#include "core/check/change_view.h"

class wxButton;
class wxStaticText;
class wxTextCtrl;

class CChangeWindow : public wxFrame {
 public:
  CChangeWindow(wxWindow* parent, CChangeView view);

  static const wxColour& AddedColour();
  static const wxColour& RemovedColour();

  // For tests and the picture: the text control and where each row begins in it.
  wxTextCtrl* Text() const { return m_text; }
  long RowStart(int row) const { return m_rowStarts.at(static_cast<std::size_t>(row)); }
  const CChangeView& View() const { return m_view; }
  // The buttons' commands.
  void GoPrevious();
  void GoNext();

 private:
  void Fill();
  void ShowRow(int row);
  void UpdateControls();

  CChangeView m_view;
  wxTextCtrl* m_text = nullptr;
  wxStaticText* m_status = nullptr;
  wxButton* m_previous = nullptr;
  wxButton* m_next = nullptr;
  std::vector<long> m_rowStarts;
};
