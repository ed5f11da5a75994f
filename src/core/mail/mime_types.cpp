#include "core/mail/mime_types.h"

#include <cctype>

namespace {

const char* const kBuiltIn[] = {
    "application/octet-stream\tbin dms lha lzh exe class so dll",
    "audio/x-pn-realaudio\tram rm",
    "audio/x-realaudio\tra",
    "audio/x-wav\twav",
    "image/bmp\tbmp",
    "image/cgm\tcgm",
    "image/gif\tgif",
    "image/ief\tief",
    "image/jpeg\tjpeg jpg jpe",
    "image/png\tpng",
    "image/svg+xml\tsvg",
    "image/tiff\ttiff tif",
    "image/vnd.djvu\tdjvu djv",
    "image/vnd.wap.wbmp\twbmp",
    "image/x-cmu-raster\tras",
    "image/x-icon\tico",
    "image/x-portable-anymap\tpnm",
    "image/x-portable-bitmap\tpbm",
    "image/x-portable-graymap\tpgm",
    "image/x-portable-pixmap\tppm",
    "image/x-rgb\trgb",
    "image/x-xbitmap\txbm",
    "image/x-xpixmap\txpm",
    "image/x-xwindowdump\txwd",
    "text/html\thtml htm",
    "text/plain\tasc txt",
    "text/richtext\trtx",
    "text/rtf\trtf",
    "video/mpeg\tmpeg mpg mpe",
    "video/quicktime\tqt mov",
    "video/vnd.mpegurl\tmxu",
    "video/x-msvideo\tavi",
    "video/x-sgi-movie\tmovie",
};

bool IsBlank(char ch) { return std::isspace(static_cast<unsigned char>(ch)) != 0; }

std::string TrimmedLower(const std::string& text) {
  std::size_t start = 0, end = text.size();
  while (start < end && IsBlank(text[start])) ++start;
  while (end > start && IsBlank(text[end - 1])) --end;
  std::string result = text.substr(start, end - start);
  for (char& ch : result) ch = char(std::tolower(static_cast<unsigned char>(ch)));
  return result;
}

}  // namespace

CMimeTypes::CMimeTypes() {
  for (const char* row : kBuiltIn) Add(row);
}

bool CMimeTypes::Add(const std::string& row) {
  std::string text = TrimmedLower(row);
  if (text.empty() || text[0] < 'a' || text[0] > 'z') return false;
  std::size_t tab = text.find('\t');
  if (tab == std::string::npos || tab + 1 == text.size()) return false;
  std::size_t extensions = tab + 1;
  while (extensions < text.size() && IsBlank(text[extensions])) ++extensions;
  if (extensions == text.size()) return false;
  std::string type = text.substr(0, tab);
  std::string stored = type + "\t" + text.substr(extensions);
  for (auto it = m_rows.begin(); it != m_rows.end(); ++it) {
    std::string rowType = it->substr(0, it->find('\t'));
    if (rowType == type) {
      *it = stored;
      return true;
    }
    if (rowType > type) {
      m_rows.insert(it, stored);
      return true;
    }
  }
  m_rows.push_back(stored);
  return true;
}

std::string CMimeTypes::Lookup(const std::string& extension) const {
  std::string wanted = TrimmedLower(extension);
  for (const std::string& row : m_rows) {
    std::size_t tab = row.find('\t');
    if (row.find(wanted, tab + 1) != std::string::npos) return row.substr(0, tab);
  }
  return {};
}
