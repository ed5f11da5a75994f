#include "core/app/autostart.h"

#include <cstdlib>

#include "platform/atomic_file.h"
#include "platform/file_system.h"
#include "platform/program_folder.h"
#include "platform/text_codec.h"

namespace {

constexpr const char* kEntryName = "pagewarden.desktop";

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string AutostartFolder() {
  std::string config = Environment("XDG_CONFIG_HOME");
  // A relative value is to be ignored, as the base directory rules say.
  if (config.empty() || config[0] != '/') config = Environment("HOME") + "/.config";
  return platform::Utf8ToCp932(config + "/autostart");
}

// One argument of the Exec key: quoted when it holds a reserved character, with '"', '`',
// '$' and '\' escaped inside the quotes; '%' is doubled since it starts a field code.
std::string ExecArgument(const std::string& utf8) {
  std::string escaped;
  bool quote = utf8.empty();
  for (char ch : utf8) {
    if (ch == '%') {
      escaped += "%%";
      continue;
    }
    if (std::string(" \t\n\"'\\><~|&;$*?#()`").find(ch) != std::string::npos) quote = true;
    if (ch == '"' || ch == '`' || ch == '$' || ch == '\\') escaped += '\\';
    escaped += ch;
  }
  if (!quote) return escaped;
  // Inside a desktop entry's value a backslash is itself escaped once more.
  std::string value;
  for (char ch : escaped) {
    if (ch == '\\') value += '\\';
    value += ch;
  }
  return "\"" + value + "\"";
}

// The entry's text (UTF-8) for the desktop program `program` on the data folder `home`
// (both CP932).
std::string EntryText(const std::string& program, const std::string& home) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Pagewarden\n"
         "Comment=Watches web pages for updates (starts in the notification area)\n"
         "Icon=pagewarden\n"
         "Exec=" +
         ExecArgument(platform::Cp932ToUtf8(program)) + " --resident --home " +
         ExecArgument(platform::Cp932ToUtf8(home)) +
         "\n"
         "Terminal=false\n"
         "X-GNOME-Autostart-enabled=true\n";
}

std::string DesktopProgram() {
  std::string beside = platform::ExecutableFolder() + "/pagewarden";
  return platform::FileExists(beside) ? beside : "pagewarden";
}

bool ApplyAutostart(bool enabled, std::string& message) {
  std::string path = AutostartEntryPath();
  if (!enabled) {
    if (!platform::FileExists(path) || platform::RemoveFile(path)) return true;
    message = "ログイン時の起動を解除できませんでした: " + path;
    return false;
  }
  message = "ログイン時の起動を設定できませんでした: " + path;
  if (!platform::MakeDirectories(AutostartFolder())) return false;
  platform::CAtomicFile file(path, platform::CAtomicFile::Mode::Binary);
  FILE* stream = file.Open();
  if (!stream) return false;
  std::string text = EntryText(DesktopProgram(), platform::ProgramFolderPath());
  if (std::fwrite(text.data(), 1, text.size(), stream) != text.size()) return false;
  if (!file.Commit()) return false;
  message.clear();
  return true;
}

}  // namespace

std::string AutostartEntryPath() { return AutostartFolder() + "/" + kEntryName; }

bool ApplyAutostartSetting(AppSettings& settings, std::string& message) {
  if (ApplyAutostart(settings.m_autostart != 0, message)) return true;
  settings.m_autostart = platform::FileExists(AutostartEntryPath()) ? 1 : 0;
  return false;
}
