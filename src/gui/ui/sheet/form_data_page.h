// "フォーム送信データ": the form data posted with the request, one row per name and value,
// with "編集", "削除" and "挿入" through the form data dialog. OK writes the rows back as
// the request's form data.
#pragma once

#include "core/ui/form_data.h"
#include "gui/ui/sheet/sheet_page.h"

class wxListCtrl;

class CPGDetail : public CSheetPage {
 public:
  CPGDetail(wxWindow* book, const SheetServices& services);

  void OnOK(WatchItem& item) override;

  wxListCtrl* List() const { return m_list; }
  // The buttons' work; `ask` fills the dialog's name and value and says whether it ended
  // with OK (the real one runs CFormDataDlg; tests give their own).
  using AskField = std::function<bool(FormField& field)>;
  void Edit(const AskField& ask);
  void Delete();
  void Insert(const AskField& ask);

 private:
  void OnFirstActivation(WatchItem& item) override;
  std::vector<int> Selection() const;
  void ShowRows();
  bool RunDialog(FormField& field);

  wxListCtrl* m_list = nullptr;
  CFormDataRows m_rows;
};
