#include "gui/size_keeper.h"

#include <memory>
#include <wx/dialog.h>
#include <wx/display.h>
#include <wx/toplevel.h>

#include "core/ui/window_size.h"
#include "platform/registry_key.h"

namespace {

WindowSize FromWx(wxSize size) { return {size.GetWidth(), size.GetHeight()}; }

void Restore(wxTopLevelWindow* window, const std::string& text) {
  std::optional<WindowSize> stored = ParseWindowSize(text);
  if (!stored) return;
  int display = wxDisplay::GetFromWindow(window);
  wxRect room = wxDisplay(display == wxNOT_FOUND ? 0u : static_cast<unsigned>(display)).GetClientArea();
  WindowSize size = RestoredWindowSize(*stored, FromWx(window->GetMinSize()), FromWx(room.GetSize()));
  window->SetSize(size.width, size.height);
  if (wxDynamicCast(window, wxDialog)) window->CentreOnParent();
}

}  // namespace

void KeepSizeBetweenRuns(wxTopLevelWindow* window, platform::CRegistryKey* key,
                         const std::string& name) {
  if (!window || !key || !key->IsOpen()) return;
  auto written = std::make_shared<std::string>(key->Read(name));
  Restore(window, *written);
  // A maximised or minimised window's size is not the one the user gave it.
  auto store = [window, key, name, written] {
    if (window->IsMaximized() || window->IsIconized() || key->IsReadOnly()) return;
    std::string now = FormatWindowSize(FromWx(window->GetSize()));
    if (now == *written) return;
    if (key->Write(name, now) == 0) *written = now;
  };
  window->Bind(wxEVT_SHOW, [store](wxShowEvent& event) {
    event.Skip();
    if (!event.IsShown()) store();
  });
  // Closed while shown: a window destroyed at once may never be hidden first.
  window->Bind(wxEVT_CLOSE_WINDOW, [window, store](wxCloseEvent& event) {
    event.Skip();
    if (window->IsShown()) store();
  });
}

wxSize KeepFrameBetweenRuns(wxTopLevelWindow* window, platform::CRegistryKey* key,
                            const std::string& name) {
  if (!window || !key || !key->IsOpen()) return wxDefaultSize;
  auto written = std::make_shared<std::string>(key->Read(name));
  std::optional<WindowSize> stored = ParseWindowSize(*written, 0);
  window->Bind(wxEVT_SIZE, [window, key, name, written](wxSizeEvent& event) {
    event.Skip();
    // Maximised or full-screen windows lose their frame; a hidden one may not have it yet.
    if (!window->IsShownOnScreen() || window->IsMaximized() || window->IsIconized() ||
        window->IsFullScreen() || key->IsReadOnly()) {
      return;
    }
    std::string now = FormatWindowSize(FromWx(window->GetSize() - window->GetClientSize()));
    if (now != *written && key->Write(name, now) == 0) *written = now;
  });
  return stored ? wxSize(stored->width, stored->height) : wxDefaultSize;
}
