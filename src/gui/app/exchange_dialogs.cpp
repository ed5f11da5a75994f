#include "gui/app/exchange_dialogs.h"

#include <ctime>
#include <filesystem>
#include <wx/checklst.h>
#include <wx/dialog.h>
#include <wx/dirdlg.h>
#include <wx/filedlg.h>
#include <wx/sizer.h>

#include "core/common/path_utils.h"
#include "core/common/prompter.h"
#include "core/exchange/data_backup.h"
#include "core/exchange/import_preview.h"
#include "core/exchange/import_reader.h"
#include "core/session/list_change.h"
#include "core/watch/watch_list.h"
#include "gui/wx_text.h"
#include "platform/file_system.h"

namespace {

using Buttons = IPrompter::Buttons;
using Icon = IPrompter::Icon;

// The preview: a row a job, the ticked ones to be added.
class CImportPreviewDlg : public wxDialog {
 public:
  CImportPreviewDlg(wxWindow* parent, CImportPreview& preview)
      : wxDialog(parent, wxID_ANY, ToWx("インポート"), wxDefaultPosition, wxDefaultSize,
                 wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
        m_preview(preview) {
    auto* top = new wxBoxSizer(wxVERTICAL);
    m_rows = new wxCheckListBox(this, wxID_ANY, wxDefaultPosition, FromDIP(wxSize(560, 320)));
    for (const CImportPreview::Row& row : preview.Rows()) {
      unsigned index = m_rows->Append(ToWx(row.text));
      m_rows->Check(index, row.ticked);
    }
    m_rows->Bind(wxEVT_CHECKLISTBOX, [this](wxCommandEvent& event) {
      unsigned row = static_cast<unsigned>(event.GetInt());
      m_rows->Check(row, m_preview.SetTicked(row, m_rows->IsChecked(row)));
    });
    top->Add(m_rows, 1, wxEXPAND | wxALL, FromDIP(8));
    top->Add(CreateStdDialogButtonSizer(wxOK | wxCANCEL), 0, wxEXPAND | wxALL, FromDIP(8));
    SetSizerAndFit(top);
  }

 private:
  CImportPreview& m_preview;
  wxCheckListBox* m_rows = nullptr;
};

std::string DialogPath(const wxString& path) { return FromWx(path); }

}  // namespace

void RunImportDialog(wxWindow* parent, CWatchList& list, IPrompter& prompter) {
  wxFileDialog choose(parent, ToWx("インポートするファイル"), wxString(), wxString(),
                      ToWx("urlwatch, URL の一覧, JSON (*.yaml;*.yml;*.txt;*.json)|*.yaml;*.yml;*.txt;*.json|"
                           "すべてのファイル (*)|*"),
                      wxFD_OPEN | wxFD_FILE_MUST_EXIST);
  if (choose.ShowModal() != wxID_OK) return;
  std::string text;
  if (!ReadImportFile(DialogPath(choose.GetPath()), text)) {
    prompter.ShowMessage("ファイルを読めません: " + DialogPath(choose.GetPath()), Buttons::Ok, Icon::Warning);
    return;
  }
  ImportOptions options;
  options.fileName = choose.GetFilename().utf8_string();
  options.newItemActive = 0;  // as a new site: checked once ticked in the watch list
  ImportReading reading = ReadImport(text, options);
  if (!reading.parsed) {
    prompter.ShowMessage(reading.error, Buttons::Ok, Icon::Warning);
    return;
  }
  std::vector<std::string> urls;
  for (int i = 0; i < list.GetCount(); ++i) urls.push_back(list.GetItemPtr(i)->m_url);
  SkipDuplicates(reading.jobs, urls, false);
  CImportPreview preview(std::move(reading.jobs));
  CImportPreviewDlg dialog(parent, preview);
  if (dialog.ShowModal() != wxID_OK) return;
  int added = 0;
  std::string refused;
  for (const WatchItem& item : preview.ChosenItems()) {
    ListChange change;
    change.kind = ListChange::Kind::Add;
    change.item = item;
    ListAnswer answer = ApplyListChange(change, list);
    if (answer.status == ListAnswer::kDone) ++added;
    else refused += "\n" + item.m_url + ": " + answer.text;
  }
  list.Dispatch();
  prompter.ShowMessage(std::to_string(added) + " 件のアイテムを追加しました" + refused, Buttons::Ok,
                       refused.empty() ? Icon::Information : Icon::Warning);
}

void RunBackupDialog(wxWindow* parent, CWatchList& list, IPrompter& prompter) {
  char stamp[16];
  std::time_t now = std::time(nullptr);
  std::strftime(stamp, sizeof stamp, "%Y%m%d", std::localtime(&now));
  wxFileDialog choose(parent, ToWx("バックアップ"), wxString(),
                      ToWx(std::string("pagewarden-") + stamp + ".tar.gz"),
                      ToWx("tar.gz (*.tar.gz)|*.tar.gz"), wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
  if (choose.ShowModal() != wxID_OK) return;
  // What the window shows is what the archive holds.
  if (!list.Save()) {
    prompter.ShowMessage("ウォッチリストを保存できません: " + CWatchList::FilePath(), Buttons::Ok, Icon::Warning);
    return;
  }
  BackupResult result = BackUpDataFolder(ProgramFolder(), DialogPath(choose.GetPath()));
  if (!result.error.empty()) {
    prompter.ShowMessage(result.error, Buttons::Ok, Icon::Warning);
    return;
  }
  prompter.ShowMessage(std::to_string(result.files) + " 個のファイルをバックアップしました", Buttons::Ok,
                       Icon::Information);
}

void RunRestoreDialog(wxWindow* parent, IPrompter& prompter, std::int64_t maxFileBytes) {
  wxFileDialog archive(parent, ToWx("復元するバックアップ"), wxString(), wxString(),
                       ToWx("tar.gz (*.tar.gz)|*.tar.gz|すべてのファイル (*)|*"),
                       wxFD_OPEN | wxFD_FILE_MUST_EXIST);
  if (archive.ShowModal() != wxID_OK) return;
  wxDirDialog folder(parent, ToWx("復元先のデータフォルダ"));
  if (folder.ShowModal() != wxID_OK) return;
  std::string archivePath = DialogPath(archive.GetPath());
  std::string target = DialogPath(folder.GetPath());
  // The folder this program works on would be written over by its next save.
  std::error_code error;
  if (std::filesystem::equivalent(folder.GetPath().utf8_string(), platform::NativePath(ProgramFolder()), error)) {
    prompter.ShowMessage("このプログラムが使っているデータフォルダには復元できません。\n"
                         "プログラムを終了してから pagewarden-cli restore で復元してください。",
                         Buttons::Ok, Icon::Warning);
    return;
  }
  RestoreResult result = RestoreDataFolder(archivePath, target, false, maxFileBytes);
  if (result.holdsList &&
      prompter.ShowMessage(target + " にはウォッチリストがあります。置き換えますか？\n"
                           "(元のフォルダは日付の付いた名前で残します)",
                           Buttons::YesNo, Icon::Question) == IPrompter::Answer::Yes) {
    result = RestoreDataFolder(archivePath, target, true, maxFileBytes);
  } else if (result.holdsList) {
    return;
  }
  if (!result.error.empty()) {
    prompter.ShowMessage(result.error, Buttons::Ok, Icon::Warning);
    return;
  }
  std::string text = std::to_string(result.files) + " 個のファイルを " + target + " に復元しました";
  if (!result.keptAs.empty()) text += "\n元のフォルダは " + result.keptAs + " に残しました";
  prompter.ShowMessage(text, Buttons::Ok, Icon::Information);
}
