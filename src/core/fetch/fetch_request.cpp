#include "core/fetch/fetch_request.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "core/fetch/form_encoding.h"
#include "core/fetch/record_lines.h"
#include "platform/file_system.h"
#include "platform/text_codec.h"

namespace {

// Every key is six characters; a key is known by where its slot starts in this string.
constexpr const char kKeys[] =
    "Dest: Targ: Refe: Agen: User: Pass: Cook: Prox: ByPa: Cash: Seri: Relo: Fram: Meth: "
    "Argu: Modi: Load: Name: Thre: Head: ";
constexpr std::size_t kKeyLength = 6;

enum KeyPosition {
  kDest = 0, kTarg = 6, kRefe = 12, kAgen = 18, kUser = 24, kPass = 30, kCook = 36,
  kProx = 42, kByPa = 48, kCash = 54, kSeri = 60, kRelo = 66, kFram = 72, kMeth = 78,
  kArgu = 84, kModi = 90, kLoad = 96, kName = 102, kThre = 108, kHead = 114,
};

constexpr const char kBlockStart[] = "\t//{{TOP\n";
constexpr const char kBlockEnd[] = "\tEND}}//\n";
constexpr std::size_t kMarkerLength = 9;

int BoolValue(const std::string& value) { return value == "0" ? 0 : 1; }

bool StartsWith(const std::string& line, const char* marker) {
  return line.compare(0, kMarkerLength, marker) == 0;
}

}  // namespace

void FetchRequest::SetDefaults() { *this = FetchRequest(); }

int FetchRequest::ParseLine(const char* line) {
  if (!line || !*line) return -1;
  while (*line && std::isspace(static_cast<unsigned char>(*line))) ++line;
  if (!*line) return -1;
  std::string text(line);
  while (!text.empty() && text.back() == '\n') text.pop_back();
  if (text.size() < kKeyLength) return -1;

  const char* found = std::strstr(kKeys, text.substr(0, kKeyLength).c_str());
  if (!found || (found - kKeys) % kKeyLength != 0) return -1;
  int position = static_cast<int>(found - kKeys);
  std::string value = text.substr(kKeyLength);

  switch (position) {
    case kDest: m_savePath = value; break;
    case kTarg: m_url = value; break;
    case kRefe: m_referer = value; break;
    case kAgen: m_userAgent = value; break;
    case kUser: m_user = value; break;
    case kPass: m_password = value; break;
    case kCook: m_cookie = value; break;
    case kProx: m_proxy = value; break;
    case kByPa: m_bypassLocal = BoolValue(value); break;
    case kCash: m_useCache = BoolValue(value); break;
    case kSeri:
    case kThre: m_thre = RecordInt(value.c_str()); break;
    case kRelo: m_allowRelocation = BoolValue(value); break;
    case kFram: m_frame = value; break;
    case kMeth: m_method = value; break;
    case kArgu: m_formData = value; break;
    case kModi: m_lastModified = RecordInt(value.c_str()); break;
    case kLoad: m_load = RecordInt(value.c_str()); break;
    case kName: m_name = value; break;
    case kHead: m_extraHeaders = FormUnescape(value); break;
  }
  return position;
}

int FetchRequest::Read(FILE* file) {
  SetDefaults();
  // Whole lines, so that a long URL, cookie or form data keeps its end.
  std::string line;
  do {
    if (!ReadWholeLine(file, line)) return 0;
  } while (!StartsWith(line, kBlockStart));
  while (ReadWholeLine(file, line)) {
    ParseLine(line.c_str());
    if (StartsWith(line, kBlockEnd)) return 1;
  }
  return 0;
}

int FetchRequest::Write(FILE* file) const {
  if (std::fprintf(file, "%s", kBlockStart) < 0) return 1;
  std::fprintf(file, "Dest: %s\n", m_savePath.c_str());
  std::fprintf(file, "Targ: %s\n", m_url.c_str());
  std::fprintf(file, "Refe: %s\n", m_referer.c_str());
  std::fprintf(file, "Agen: %s\n", m_userAgent.c_str());
  std::fprintf(file, "User: %s\n", m_user.c_str());
  std::fprintf(file, "Pass: %s\n", m_password.c_str());
  std::fprintf(file, "Cook: %s\n", m_cookie.c_str());
  std::fprintf(file, "Prox: %s\n", m_proxy.c_str());
  std::fprintf(file, "ByPa: %d\n", m_bypassLocal);
  std::fprintf(file, "Cash: %d\n", m_useCache);
  std::fprintf(file, "Relo: %d\n", m_allowRelocation);
  std::fprintf(file, "Fram: %s\n", m_frame.c_str());
  std::fprintf(file, "Meth: %s\n", m_method.c_str());
  std::fprintf(file, "Argu: %s\n", m_formData.c_str());
  std::fprintf(file, "Modi: %d\n", m_lastModified);
  std::fprintf(file, "Load: %d\n", m_load);
  std::fprintf(file, "Name: %s\n", m_name.c_str());
  std::fprintf(file, "Thre: %d\n", m_thre);
  std::fprintf(file, "Head: %s\n", FormEscape(m_extraHeaders).c_str());
  return std::fprintf(file, "%s", kBlockEnd) < 0 ? 1 : 0;
}

int FetchRequest::TransferFile(const std::string& path, const char* mode) {
  FILE* file = platform::OpenFile(path, mode);
  if (!file) return 0;
  int result;
  if (mode[0] == 'w') {
    result = Write(file) == 0 ? 1 : 0;
    // A block that never reached the disk is a failed save.
    if (std::fclose(file) != 0) result = 0;
  } else {
    result = Read(file);
    std::fclose(file);
  }
  return result;
}

// The login goes in UTF-8, as servers read Basic credentials today.
std::string FetchRequest::BasicAuthorizationHeader() const {
  return "Authorization: Basic " +
         Base64Encode(platform::Cp932ToUtf8(m_user + ":" + m_password)) + "\r\n";
}

int FetchRequest::RequiredCompanionVersion() const {
  bool needsNewHelper = !m_referer.empty() || !m_formData.empty() || !m_user.empty() ||
                        !m_extraHeaders.empty();
  return needsNewHelper ? 150 : 0;
}
