// The link update dialog, titled "フォルダ更新" as the command that opens it: the links
// of one folder with their state pictures,
// updating one link (double click) or all of them on the link list's worker ("全て更新",
// then "更新中止"), editing, renaming and removing links, deleting their files, sorting,
// and choosing another folder. The rules are CLinkUpdateModel's; this class draws and binds.
//
// Threads: UI thread only. The worker's reports arrive through the queue's Send.
//
// Ownership: the dialog owns the link list and the model; the prompter (whose dialogs
// should belong to this dialog) and the queue outlive it. The callbacks are called on the
// UI thread; an empty one leaves its command without effect ("設定" disabled).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>
#include <wx/dialog.h>
#include <wx/imaglist.h>

#include "core/fetch/fetch_request.h"
#include "core/links/link_list.h"
#include "core/links/link_update_model.h"

class CFolder;
class CWxUiQueue;
class IPrompter;
class wxActivityIndicator;
class wxButton;
class wxListCtrl;
class wxListEvent;
class wxStaticBitmap;

struct LinkUpdateCallbacks {
  // WM_DISPLAY_PAGE kind 0: show the page of a link just updated by double click.
  std::function<void(const FetchRequest& request)> displayPage;
  // WM_NEW_SITE_FROM_REQUEST: "ウォッチアイテム" hands the link to the main window.
  std::function<void(const FetchRequest& request)> newSite;
  // "設定": the environment settings.
  std::function<void()> settings;
};

class CLinkUpdateDlg : public wxDialog {
 public:
  CLinkUpdateDlg(wxWindow* parent, LinkListEnvironment environment, CWxUiQueue& queue,
                 LinkUpdateCallbacks callbacks = {});
  ~CLinkUpdateDlg() override;

  // Opens the folder's list (asking about a lock held elsewhere) and fills the rows.
  // false when the user declined: the dialog is not to be shown.
  bool Init(const std::string& folder);
  // The folder the dialog ends with.
  std::string Folder() const { return m_model->Folder(); }

  enum Command : int {
    ID_LU_CLOSE = wxID_HIGHEST + 500,
    ID_LU_UPDATE_ALL,
    ID_LU_SETTINGS,
    ID_LU_REMOVE,
    ID_LU_REMOVE_FILE,
    ID_LU_BROWSE,
    ID_LU_EDIT,
    ID_LU_RENAME,
    ID_LU_WATCH_ITEM,
  };
  // For tests and the screenshot: the controls and the commands as the user gives them.
  wxListCtrl* List() const { return m_list; }
  wxButton* UpdateButton() const { return m_updateButton; }
  CFolder* FolderEdit() const { return m_folderEdit; }
  CLinkUpdateModel& Model() { return *m_model; }
  void RunCommand(int id);
  void UpdateRowNow(int row);
  void CommitFolderEdit();
  void CloseDialog();

 private:
  void CreateControls();
  void FillRows();
  void ShowRow(int row);
  void ShowCaptions();
  void ShowActivity(bool active);
  void RunEnded();
  void RemoveSelected(bool withFiles);
  std::vector<int> SelectedRows() const;
  int FirstSelectedRow() const;
  void EditLink();
  void LayoutControls();

  void OnButton(wxCommandEvent& event);
  void OnActivated(wxListEvent& event);
  void OnKeyDown(wxListEvent& event);
  void OnRightClick(wxListEvent& event);
  void OnEndLabelEdit(wxListEvent& event);
  void OnColumnClick(wxListEvent& event);
  void OnClose(wxCloseEvent& event);
  void OnCharHook(wxKeyEvent& event);
  void OnUpdateUi(wxUpdateUIEvent& event);

  IPrompter& m_prompter;
  LinkUpdateCallbacks m_callbacks;
  std::unique_ptr<CLinkList> m_linkList;
  std::unique_ptr<CLinkUpdateModel> m_model;
  wxImageList m_images;
  wxStaticBitmap* m_stillPicture = nullptr;
  wxActivityIndicator* m_indicator = nullptr;
  wxButton* m_updateButton = nullptr;
  CFolder* m_folderEdit = nullptr;
  wxListCtrl* m_list = nullptr;
  int m_folderRightOffset = 0;
  bool m_busyCursor = false;
};
