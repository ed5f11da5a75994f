// The form data page's rows: the request's form data (rows joined by "&", each the
// form-escaped name, "=" and the form-escaped value) taken apart into name/value rows and
// put together again, and the rules of editing, deleting and inserting rows.
//
// Threads: UI thread only; the prompter asks the user the two empty-name questions.
#pragma once

#include <optional>
#include <string>
#include <vector>

class IPrompter;

struct FormField {
  std::string name;
  std::string value;
  bool operator==(const FormField&) const = default;
};

// Splits at every "&" (empty pieces skipped); a piece with "=" gives the decoded text
// before its first "=" and after it, a piece without one its whole text, not decoded, as
// the name and an empty value.
std::vector<FormField> ParseFormData(const std::string& formData);
// The rows in order, each encoded name "=" encoded value, joined by "&"; no rows: empty.
std::string BuildFormData(const std::vector<FormField>& rows);

// A value's line breaks: CR LF in the form data, a line feed in the edit field.
std::string FormValueForEdit(const std::string& value);
std::string FormValueFromEdit(const std::string& text);

// The rows as the page's list shows them. Selections are row positions in any order.
class CFormDataRows {
 public:
  explicit CFormDataRows(std::vector<FormField> rows = {}) : m_rows(std::move(rows)) {}

  const std::vector<FormField>& Rows() const { return m_rows; }

  // The row "編集" edits: only with exactly one row selected.
  static std::optional<int> EditTarget(const std::vector<int>& selected);
  // Where "挿入" inserts: the first selected row, the end with none, nothing with two or
  // more.
  std::optional<int> InsertPosition(const std::vector<int>& selected) const;

  // The edit dialog ended with OK on `row`: a name replaces the row; an empty name asks
  // whether to delete the row (Yes deletes, No keeps it unchanged).
  void ApplyEdit(int row, const FormField& field, IPrompter& prompter);
  // The insert dialog ended with OK: a name inserts at `position`; an empty name asks
  // whether to cancel the insertion (No inserts the row all the same).
  void ApplyInsert(int position, const FormField& field, IPrompter& prompter);
  // "削除": every selected row goes.
  void Delete(std::vector<int> selected);

 private:
  std::vector<FormField> m_rows;
};
