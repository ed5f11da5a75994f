#include "core/ui/form_data.h"

#include <algorithm>

#include "core/common/prompter.h"
#include "core/fetch/form_encoding.h"

namespace {

constexpr const char* kAskDeleteEmptyName =
    "フォームデータのデータ名が空白です。\nこのページを正常に呼び出せなくなるかもしれません。\n削除しますか？";
constexpr const char* kAskCancelEmptyName =
    "フォームデータのデータ名が空白です。\nこのページを正常に呼び出せなくなるかもしれません。\n挿入を取り消しますか？";

bool AnswersYes(IPrompter& prompter, const char* question) {
  return prompter.ShowMessage(question, IPrompter::Buttons::YesNo, IPrompter::Icon::Question) ==
         IPrompter::Answer::Yes;
}

}  // namespace

std::vector<FormField> ParseFormData(const std::string& formData) {
  std::vector<FormField> rows;
  std::size_t start = 0;
  while (start <= formData.size()) {
    std::size_t end = formData.find('&', start);
    if (end == std::string::npos) end = formData.size();
    std::string piece = formData.substr(start, end - start);
    if (!piece.empty()) {
      std::size_t equals = piece.find('=');
      if (equals == std::string::npos) {
        rows.push_back({piece, {}});
      } else {
        rows.push_back({FormUnescape(piece.substr(0, equals)), FormUnescape(piece.substr(equals + 1))});
      }
    }
    start = end + 1;
  }
  return rows;
}

std::string BuildFormData(const std::vector<FormField>& rows) {
  std::string formData;
  for (std::size_t index = 0; index < rows.size(); ++index) {
    if (index > 0) formData += '&';
    formData += FormEscape(rows[index].name) + "=" + FormEscape(rows[index].value);
  }
  return formData;
}

std::string FormValueForEdit(const std::string& value) {
  std::string text;
  for (std::size_t at = 0; at < value.size(); ++at) {
    if (value[at] == '\r' && at + 1 < value.size() && value[at + 1] == '\n') continue;
    text += value[at];
  }
  return text;
}

std::string FormValueFromEdit(const std::string& text) {
  std::string value;
  for (char ch : FormValueForEdit(text)) {
    if (ch == '\n') value += '\r';
    value += ch;
  }
  return value;
}

std::optional<int> CFormDataRows::EditTarget(const std::vector<int>& selected) {
  if (selected.size() != 1) return std::nullopt;
  return selected.front();
}

std::optional<int> CFormDataRows::InsertPosition(const std::vector<int>& selected) const {
  if (selected.empty()) return static_cast<int>(m_rows.size());
  if (selected.size() > 1) return std::nullopt;
  return selected.front();
}

void CFormDataRows::ApplyEdit(int row, const FormField& field, IPrompter& prompter) {
  if (row < 0 || row >= static_cast<int>(m_rows.size())) return;
  if (!field.name.empty()) {
    m_rows[row] = field;
  } else if (AnswersYes(prompter, kAskDeleteEmptyName)) {
    m_rows.erase(m_rows.begin() + row);
  }
}

void CFormDataRows::ApplyInsert(int position, const FormField& field, IPrompter& prompter) {
  position = std::clamp(position, 0, static_cast<int>(m_rows.size()));
  if (field.name.empty() && AnswersYes(prompter, kAskCancelEmptyName)) return;
  m_rows.insert(m_rows.begin() + position, field);
}

void CFormDataRows::Delete(std::vector<int> selected) {
  // From the last row up, so that the positions still to go stay valid.
  std::sort(selected.rbegin(), selected.rend());
  selected.erase(std::unique(selected.begin(), selected.end()), selected.end());
  for (int row : selected) {
    if (row >= 0 && row < static_cast<int>(m_rows.size())) m_rows.erase(m_rows.begin() + row);
  }
}
