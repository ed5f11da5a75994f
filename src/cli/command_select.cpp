#include "cli/command_select.h"

#include <cstdio>
#include <cstdlib>

#include "cli/command_diff.h"
#include "cli/command_settings.h"
#include "cli/console.h"
#include "cli/terminal_prompter.h"
#include "core/check/text_compare.h"
#include "core/check/text_preview.h"
#include "core/common/app_settings.h"
#include "platform/code_page_converter.h"
#include "platform/file_system.h"

int RunSelectCommand(const std::string& homeArgument, int position) {
  int status = 0;
  std::optional<WatchItem> found = ReadListItem(homeArgument, position, status);
  if (!found) return status;
  const WatchItem& item = *found;
  if (item.m_textCompare != 1) {
    PrintLine("pagewarden-cli: アイテム " + std::to_string(position + 1) +
                  " はテキスト比較ではありません (set N --text で切り替えます)",
              stderr);
  }
  CTerminalPrompter prompter;
  // As a check fetches: through the program-wide proxy, within its limits.
  const AppSettings stored = StoredSettings();
  FetchSettings settings = FetchSettingsFrom(stored);
  settings.m_totalTimeoutMs = TotalTimeoutMs(stored);
  CFetch fetch(prompter, settings);
  platform::CCodePageConverter converter;
  // The data folder is only read here: a large page passes through a folder of its own.
  std::string temporary = (std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + std::string("/pagewarden-select.XXXXXX");
  if (!mkdtemp(temporary.data())) {
    PrintLine("pagewarden-cli: 一時フォルダを作れません", stderr);
    return 1;
  }
  TextPreview preview = FetchTextPreview(item, fetch, &converter, temporary);
  for (const std::string& name : platform::ListFolder(temporary)) platform::RemoveFile(temporary + "/" + name);
  platform::RemoveDirectory(temporary);
  if (!preview.error.empty() || !preview.text.error.empty()) {
    PrintLine("pagewarden-cli: " + (preview.error.empty() ? preview.text.error : preview.error), stderr);
    return 1;
  }
  if (preview.text.matched == 0) {
    PrintLine(std::string("pagewarden-cli: ") + kNothingSelectedText, stderr);
    return 1;
  }
  for (const std::string& line : preview.ComparedLines()) PrintLine(line);
  return 0;
}
