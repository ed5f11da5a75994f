#include "gui/button_bar.h"

#include <algorithm>
#include <wx/button.h>

#include "gui/window_utils.h"
#include "gui/wx_text.h"

int CreateButtonBar(wxWindow* panel, const ButtonSpec* specs, std::size_t count,
                    int& designWidth, int left, int margin, int bottom,
                    std::vector<wxButton*>& buttons, CButtonRow& row) {
  constexpr int kSpacing = 4;
  buttons.assign(count, nullptr);
  int needed = left + margin;
  for (std::size_t index = 0; index < count; ++index) {
    buttons[index] = new wxButton(panel, specs[index].id, ToWx(specs[index].label));
    needed += buttons[index]->GetBestSize().GetWidth() + kSpacing;
  }
  designWidth = std::max(designWidth, needed);
  int right = designWidth - margin;
  for (int index = static_cast<int>(count) - 1; index >= 0; --index) {
    wxButton* button = buttons[index];
    wxSize size = button->GetBestSize();
    button->SetSize(right - size.GetWidth(), 6, size.GetWidth(), size.GetHeight());
    right -= size.GetWidth() + kSpacing;
    bottom = std::max(bottom, button->GetRect().GetBottom());
  }
  // The offsets are taken as the buttons stand at the design width.
  std::vector<int> rightEdges;
  for (wxButton* button : buttons) rightEdges.push_back(button->GetRect().GetRight() + 1);
  row.Record(designWidth, rightEdges);
  return bottom;
}

void LayoutButtonBar(wxWindow* panel, wxWindow* list, const std::vector<wxButton*>& buttons,
                     CButtonRow& row) {
  wxSize client = panel->GetClientSize();
  wxPoint corner = list->GetPosition();
  list->SetSize(corner.x, corner.y, std::max(0, client.GetWidth() - corner.x),
                std::max(0, client.GetHeight() - corner.y));
  std::vector<int> widths;
  for (wxButton* button : buttons) widths.push_back(button->GetSize().GetWidth());
  for (const CButtonRow::Move& move : row.Resize(client.GetWidth(), widths)) {
    AlignRight(client.GetWidth(), buttons[move.button], row.Offsets()[move.button]);
  }
}
