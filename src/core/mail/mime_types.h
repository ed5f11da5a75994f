// The table of MIME types by file extension that types mail attachments. Rows are
// "type<TAB>extensions" (lower case, extensions separated by blanks), sorted by type.
#pragma once

#include <string>
#include <vector>

class CMimeTypes {
 public:
  // The built-in table of 33 types.
  CMimeTypes();
  // Adds or replaces (same type) one row "type<TAB>ext ext ..."; false when malformed.
  bool Add(const std::string& row);
  // The type of the first row whose extensions contain `extension` as a substring
  // (trimmed, compared in lower case); empty when none does.
  std::string Lookup(const std::string& extension) const;
  const std::vector<std::string>& Rows() const { return m_rows; }

 private:
  std::vector<std::string> m_rows;
};
