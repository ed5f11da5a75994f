// "通知先": a list of notification addresses with "追加", "編集", "削除" and "テスト送信",
// shown with their secrets masked. The rules are CNotifyAddressList's; this panel draws the
// list and asks for an address in a small text dialog. It stands on its own, so that the
// environment settings and an item's update options both place it where they like.
//
// Threads: UI thread only; "テスト送信" blocks it until the send ends (bounded by the
// settings' time limit). Ownership: the prompter outlives the panel.
#pragma once

#include <string>
#include <wx/panel.h>

#include "core/common/app_settings.h"
#include "core/notify/notify_address_list.h"

class IPrompter;
class wxButton;
class wxListBox;

class CNotifyAddressPanel : public wxPanel {
 public:
  // `list`: the addresses one a line; `settings`: the proxy and certificates of a test send.
  CNotifyAddressPanel(wxWindow* parent, const std::string& list, const AppSettings& settings,
                      IPrompter& prompter, const char* caption = "通知先");

  // The addresses one a line, as edited.
  std::string Addresses() const { return m_list.Joined(); }
  // Shows `list` instead (an item's, once the page is first shown).
  void SetAddresses(const std::string& list);

  // What the buttons do once the address is typed: false, with the reason shown, when it
  // is refused.
  bool AddTyped(const std::string& address);
  bool EditSelected(const std::string& address);
  void RemoveSelected();
  // "テスト送信" through the selected address; the answer is shown.
  void TestSelected();
  void Select(int index);
  bool Enable(bool enable = true) override;

 private:
  void Refill(int selection);
  void UpdateButtons();
  // Asks for an address; empty when cancelled.
  std::string AskAddress(const std::string& initial);

  CNotifyAddressList m_list;
  AppSettings m_settings;
  IPrompter& m_prompter;
  wxListBox* m_box = nullptr;
  wxButton* m_edit = nullptr;
  wxButton* m_remove = nullptr;
  wxButton* m_test = nullptr;
  bool m_enabled = true;
};
