// "サイトの定義": the property sheet on which one watch item is made or changed. The main
// window creates it once and reuses it: Load puts a working copy of an item into it,
// DoModal runs it, and after OK the working copy goes to the main window's StoreItem
// (index + 1 of the edited item, 0 for a new one). Cancel, Esc and the close box store
// nothing. Its five pages, in tab order: "ページデータ", "チェックするタイミング",
// "更新時オプション", "チェックオプション", "フォーム送信データ".
//
// Threads: UI thread only. The services and the owner outlive the sheet.
#pragma once

#include <functional>
#include <memory>
#include <vector>
#include <wx/propdlg.h>

#include "core/watch/watch_item.h"
#include "gui/mail/mail_progress_window.h"
#include "gui/ui/sheet/sheet_page.h"
#include "gui/wx_prompter.h"

struct AppSettings;
class IMainWindowMessages;
class CPagePage;
class CTimingPage;
class CRNOption;
class CCKOption;
class CPGDetail;
class wxBookCtrlEvent;

class CDefineSheet : public wxPropertySheetDialog {
 public:
  using StoreItem = std::function<void(int index, const WatchItem& item)>;

  CDefineSheet(wxWindow* parent, const AppSettings& settings, IMainWindowMessages& mainWindow,
               CWxUiQueue& queue, StoreItem storeItem,
               const platform::CCodePageConverter* converter = nullptr, FetchSettings fetch = {});

  // A copy of `item` becomes the working copy; `index` is the list position + 1, 0 for a
  // new item. Every page starts again from it.
  void Load(const WatchItem& item, int index);
  // Runs the sheet modally from its first page; the dialog's end code.
  int DoModal();
  // Ends a run as Cancel does (the program is ending).
  void CancelRun();

  int m_itemIndex = 0;
  bool m_accepted = false;

  const WatchItem& Working() const { return m_working; }
  CPagePage& PageData() const { return *m_pageData; }
  CTimingPage& Timing() const { return *m_timing; }
  CRNOption& UpdateOptions() const { return *m_updateOptions; }
  CCKOption& CheckOptions() const { return *m_checkOptions; }
  CPGDetail& FormData() const { return *m_formData; }
  // Changes the visible page as a click on its tab does.
  void ShowPage(int page);
  // OK as the button does.
  void Accept();
  // Tests: called once the sheet is on the screen in each run.
  void SetShownHook(std::function<void(CDefineSheet&)> hook) { m_shown = std::move(hook); }
  // The prompter the pages use (its owner is the sheet).
  CWxPrompter& Prompter() { return m_prompter; }

 private:
  CSheetPage* PageAt(int page) const;
  CSheetPage* CurrentPage() const;
  void OnPageChanging(wxBookCtrlEvent& event);
  void OnPageChanged(wxBookCtrlEvent& event);

  CWxPrompter m_prompter;
  CMailProgressHost m_mailHost;
  SheetServices m_services;
  StoreItem m_storeItem;
  WatchItem m_working;
  std::vector<CSheetPage*> m_pages;
  CPagePage* m_pageData = nullptr;
  CTimingPage* m_timing = nullptr;
  CRNOption* m_updateOptions = nullptr;
  CCKOption* m_checkOptions = nullptr;
  CPGDetail* m_formData = nullptr;
  std::function<void(CDefineSheet&)> m_shown;
};
