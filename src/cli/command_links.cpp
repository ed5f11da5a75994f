#include "cli/command_links.h"

#include <unistd.h>

#include <cstdio>
#include <optional>

#include "cli/console.h"
#include "cli/stop_signal.h"
#include "cli/terminal_prompter.h"
#include "core/app/settings_archive.h"
#include "core/common/path_utils.h"
#include "core/links/link_folder.h"
#include "core/links/link_list.h"
#include "core/links/link_notify.h"
#include "platform/file_system.h"
#include "platform/program_folder.h"

namespace {

struct LinksArguments {
  std::string folder;  // empty: the stored link folder
  bool force = false;
  bool update = false;
  int number = 0;  // from 1; 0 for every link
};

// The terminal's prompter, except that a question with Yes and No is put to the user when
// a terminal can answer it. Without one it gets the cautious answer.
class CLinksPrompter : public CTerminalPrompter {
 public:
  Answer ShowMessage(const std::string& text, Buttons buttons, Icon icon,
                     const std::string& caption) override {
    bool asks = buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel;
    if (!asks || !isatty(STDIN_FILENO)) {
      return CTerminalPrompter::ShowMessage(text, buttons, icon, caption);
    }
    bool cancel = buttons == Buttons::YesNoCancel;
    PrintLine(text + (cancel ? "[y: はい / n: いいえ / c: キャンセル] " : "[y: はい / n: いいえ] "),
              stderr);
    char line[64];
    if (!std::fgets(line, sizeof line, stdin)) return cancel ? Answer::Cancel : Answer::No;
    if (line[0] == 'y' || line[0] == 'Y') return Answer::Yes;
    if (line[0] == 'n' || line[0] == 'N') return Answer::No;
    return cancel ? Answer::Cancel : Answer::No;
  }
};

const char* ResultText(LinkResult result) {
  switch (result) {
    case LinkResult::Updated: return "更新されています";
    case LinkResult::NotUpdated: return "更新されていません";
    default: return "エラー";
  }
}

std::string Row(int index, const FetchRequest& item, const std::string& last) {
  return std::to_string(index + 1) + "\t" + item.m_savePath + "\t" + item.m_name + "\t" +
         item.m_url + "\t" + last;
}

class CPrintingNotify : public ILinkNotify {
 public:
  void OnLinkItemDone(int index, LinkResult result, const FetchRequest& item) override {
    PrintLine(Row(index, item, ResultText(result)));
  }
  void OnLinkAllDone() override {}
};

std::optional<LinksArguments> ParseArguments(const std::vector<std::string>& arguments) {
  LinksArguments parsed;
  std::vector<std::string> words;
  for (const std::string& argument : arguments) {
    if (argument == "--force") {
      parsed.force = true;
    } else {
      words.push_back(argument);
    }
  }
  std::size_t next = 0;
  if (next < words.size() && words[next] != "update") parsed.folder = words[next++];
  if (next < words.size() && words[next] == "update") {
    parsed.update = true;
    ++next;
    if (next < words.size()) {
      const std::string& number = words[next++];
      if (number.empty() || number.size() > 9 ||
          number.find_first_not_of("0123456789") != std::string::npos || std::stoi(number) < 1) {
        return std::nullopt;
      }
      parsed.number = std::stoi(number);
    }
  }
  if (next != words.size()) return std::nullopt;
  return parsed;
}

// 0 when `folder` can be worked on; else the folder check's message has been printed.
int CheckLinkFolder(const std::string& folder, bool update) {
  std::string checked = folder;
  int result = CheckFolder(checked);
  // Links of a read-only folder can be listed, not updated.
  if (result == 0 || (result == 4 && !update)) return 0;
  PrintLine("pagewarden-cli: " + folder + ": " + checked, stderr);
  return 1;
}

int Finish(CLinkList& list) { return list.Save() == 0 ? 0 : 1; }

}  // namespace

int RunLinksCommand(const std::string& homeArgument, const std::vector<std::string>& arguments) {
  std::optional<LinksArguments> parsed = ParseArguments(arguments);
  if (!parsed) {
    PrintLine("pagewarden-cli: links の引数が正しくありません "
              "(links [フォルダ] [--force] [update [番号]])",
              stderr);
    return 2;
  }
  platform::SetProgramFolder(platform::ResolveProgramFolder(homeArgument));
  AppSettings settings;
  MainWindowLayout mainWindow;
  WatchListWindowLayout watchListWindow;
  // A missing settings archive leaves the defaults, as at the desktop program's first start.
  LoadSettingsFile(SettingsArchivePath(), settings, mainWindow, watchListWindow);
  std::string folder =
      TrimFolderText(parsed->folder.empty() ? StartingLinkFolder(mainWindow.m_linkFolder)
                                            : parsed->folder);
  if (CheckLinkFolder(folder, parsed->update)) return 1;

  CLinksPrompter prompter;
  LinkListEnvironment environment;
  environment.m_prompter = &prompter;
  environment.m_settings = &settings;
  CLinkList list(environment);
  if (list.Open(folder, parsed->force) == 0) {
    PrintLine(kLinkListInUse, stderr);
    return 1;
  }
  if (!parsed->update) {
    for (int index = 0; index < list.GetCount(); ++index) {
      bool present = platform::FileExists(list.FilePath(index));
      PrintLine(Row(index, list.GetItem(index), present ? "ファイルあり" : "ファイルなし"));
    }
    return Finish(list);
  }
  if (parsed->number > list.GetCount()) {
    PrintLine("pagewarden-cli: リンク " + std::to_string(parsed->number) +
                  " はありません (リンクの数: " + std::to_string(list.GetCount()) + ")",
              stderr);
    list.Save();
    return 2;
  }

  // Links are updated on this thread; the stop is looked at between them.
  CStopSignals stopSignals;
  CPrintingNotify notify;
  list.SetNotify(nullptr, &notify);
  if (parsed->number > 0) {
    list.UpdateItem(parsed->number - 1);
  } else {
    for (int index = 0; index < list.GetCount() && !StopRequested(); ++index) {
      list.UpdateItem(index);
    }
  }
  return Finish(list);
}
