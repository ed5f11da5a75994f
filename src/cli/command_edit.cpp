#include "cli/command_edit.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>

#include "cli/command_items.h"
#include "cli/console.h"
#include "cli/terminal_prompter.h"
#include "core/watch/watch_list.h"
#include "core/watch/watch_list_notice.h"
#include "platform/program_folder.h"
#include "platform/text_codec.h"

namespace {

std::string EditorCommand() {
  for (const char* name : {"VISUAL", "EDITOR"}) {
    const char* value = std::getenv(name);
    if (value && *value) return value;
  }
  return "vi";
}

// Runs the editor on `path` through the shell, so that an editor given with options works.
bool RunEditor(const std::string& path) {
  pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    std::string command = EditorCommand() + " \"$1\"";
    execl("/bin/sh", "sh", "-c", command.c_str(), "sh", path.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string ReadWhole(const std::string& path) {
  std::ifstream stream(path, std::ios::binary);
  std::ostringstream text;
  text << stream.rdbuf();
  return text.str();
}

bool AskEditAgain() {
  PrintLine("もう一度編集しますか? [Y/n]", stderr);
  std::string answer;
  if (!std::getline(std::cin, answer)) return false;
  return answer.empty() || answer[0] == 'y' || answer[0] == 'Y';
}

}  // namespace

EditedFields ReadEditedFields(const std::string& text, const WatchItem& item,
                              const std::vector<ItemFieldLine>& shown) {
  EditedFields result;
  WatchItem edited = item;
  std::set<std::string> seen;
  std::istringstream lines(text);
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    auto fail = [&](const std::string& why) {
      result.error = std::to_string(number) + " 行目: " + why + "\n  " + line;
      return result;
    };
    std::size_t tab = line.find('\t');
    if (tab == std::string::npos) return fail("キー<TAB>値 の形ではありません");
    ItemFieldLine field{line.substr(0, tab), line.substr(tab + 1)};
    if (!FindItemField(field.key)) return fail("不明なキーです: " + field.key);
    if (!seen.insert(field.key).second) return fail(field.key + " が二度あります");
    for (const ItemFieldLine& before : shown) {
      if (before.key != field.key || before.value == field.value) continue;
      if (std::string problem = SetItemField(edited, field.key, field.value); !problem.empty()) {
        return fail(problem);
      }
      result.changed.push_back(field);
    }
  }
  if (std::string problem = CheckItem(edited); !problem.empty()) result.error = problem;
  return result;
}

int RunEditCommand(const std::string& homeArgument, int position) {
  platform::SetProgramFolder(platform::ResolveProgramFolder(homeArgument));
  CWatchList list;
  list.Load();
  CTerminalPrompter prompter;
  if (!ConfirmWatchListLoad(list, prompter, false)) return 1;  // the file stays as it is
  if (position >= list.GetCount()) {
    PrintLine("pagewarden-cli: アイテム " + std::to_string(position + 1) + " はありません", stderr);
    return 2;
  }
  WatchItem item = list.GetItem(position);
  std::vector<ItemFieldLine> shown = ItemFieldLines(item, true);
  std::string text;
  for (const ItemFieldLine& field : shown) text += field.key + "\t" + field.value + "\n";
  text = platform::Cp932ToUtf8(text);

  char path[] = "/tmp/pagewarden-edit-XXXXXX";
  int descriptor = mkstemp(path);  // owner-only
  if (descriptor < 0) {
    PrintLine("pagewarden-cli: 一時ファイルを作れません", stderr);
    return 1;
  }
  for (;;) {
    if (ftruncate(descriptor, 0) != 0 || pwrite(descriptor, text.data(), text.size(), 0) < 0 ||
        !RunEditor(path)) {
      PrintLine("pagewarden-cli: エディタを実行できません: " + EditorCommand(), stderr);
      break;
    }
    text = ReadWhole(path);
    if (RefuseForeignText(text)) {
      if (!AskEditAgain()) break;
      continue;
    }
    EditedFields edited = ReadEditedFields(platform::Utf8ToCp932(text), item, shown);
    if (edited.error.empty()) {
      close(descriptor);
      unlink(path);
      if (edited.changed.empty()) {
        PrintLine("変更はありません");
        return 0;
      }
      ListChange change;
      change.kind = ListChange::Kind::Set;
      change.positions = {position};
      change.fields = edited.changed;
      return RunListChange(homeArgument, change);
    }
    PrintLine("pagewarden-cli: " + edited.error, stderr);
    if (!AskEditAgain()) break;
  }
  close(descriptor);
  unlink(path);
  PrintLine("pagewarden-cli: アイテムは変更していません", stderr);
  return 1;
}
