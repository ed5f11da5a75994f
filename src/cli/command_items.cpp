#include "cli/command_items.h"

#include <iostream>
#include <map>

#include "cli/command_edit.h"
#include "cli/console.h"
#include "cli/item_json.h"
#include "cli/item_options.h"
#include "cli/terminal_prompter.h"
#include "cli/usage_mistake.h"
#include "core/common/path_utils.h"
#include "core/session/list_request.h"
#include "core/watch/item_fields.h"
#include "core/watch/watch_list.h"
#include "core/watch/watch_list_notice.h"
#include "platform/file_system.h"
#include "platform/program_folder.h"
#include "platform/single_instance.h"
#include "platform/text_codec.h"

namespace {

constexpr const char* kNoLock = "データフォルダのロックを作れません";

int Refuse(const std::string& message) {
  PrintLine("pagewarden-cli: " + message, stderr);
  return ListAnswer::kRefused;
}

int PrintAnswer(const ListAnswer& answer) {
  if (answer.status == ListAnswer::kDone) {
    if (!answer.text.empty()) PrintLine(answer.text);
  } else {
    PrintLine("pagewarden-cli: " + answer.text, stderr);
  }
  return answer.status;
}

std::string FirstLineOfInput() {
  std::string line;
  std::getline(std::cin, line);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return platform::Utf8ToCp932(line);  // typed in the terminal's UTF-8, kept in CP932
}

// Positions from the arguments; empty after printing why when one is not a number.
std::vector<int> Positions(const std::vector<std::string>& args, std::size_t from) {
  std::vector<int> positions;
  for (std::size_t i = from; i < args.size(); ++i) {
    int position = ItemPosition(args[i]);
    if (position < 0) {
      Refuse("アイテムの番号 (1 から) ではありません: " + args[i]);
      return {};
    }
    positions.push_back(position);
  }
  return positions;
}

int RunShow(const std::string& home, const std::vector<std::string>& args) {
  bool json = !args.empty() && args.back() == "--json";
  std::size_t count = args.size() - (json ? 1 : 0);
  int position = count == 1 ? ItemPosition(args[0]) : -1;
  if (position < 0) return Refuse("show にはアイテムの番号 (1 から) を一つ指定します");
  platform::SetProgramFolder(platform::ResolveProgramFolder(home));
  CWatchList list;
  list.Load();
  if (position >= list.GetCount()) {
    return Refuse("アイテム " + args[0] + " はありません (アイテムの数: " +
                  std::to_string(list.GetCount()) + ")");
  }
  WatchItem item = list.GetItem(position);
  if (json) {
    PrintUtf8Line(ItemJson(item, position).dump(2));
    return 0;
  }
  for (const ItemFieldLine& field : ItemFieldLines(item, true)) {
    PrintLine(field.key + "\t" + field.value);
  }
  return 0;
}

int RunAdd(const std::string& home, const std::vector<std::string>& args) {
  if (args.empty() || args[0].rfind("--", 0) == 0) return Refuse("add には URL が必要です");
  std::vector<std::string> options(args.begin() + 1, args.end());
  ItemOptionsResult parsed = ParseItemOptions(args[0], options, FirstLineOfInput);
  if (!parsed.error.empty()) return UsageMistake(parsed.error);
  ListChange change;
  change.kind = ListChange::Kind::Add;
  change.item = parsed.item;
  return RunListChange(home, change);
}

// `set N --text ...`: the options of the text comparison as changes of the item's fields.
int RunSetTextOptions(const std::string& home, int position, const std::vector<std::string>& args) {
  std::map<std::string, std::string> given;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& option = args[i];
    if (!IsTextOption(option)) {
      return UsageMistake("set のオプションは --text, --select, --xpath, --exclude, --ignore, "
                          "--ignore-case, --added-only です: " + option);
    }
    bool valued = option == "--select" || option == "--xpath" || option == "--exclude" ||
                  option == "--ignore";
    if (given.count(option) && option != "--ignore") return UsageMistake(option + " が二度指定されています");
    if (valued && i + 1 >= args.size()) return UsageMistake(option + " に値がありません");
    std::string value = valued ? args[++i] : "";
    given[option] = given.count(option) ? given[option] + "\n" + value : value;
  }
  if (given.count("--select") && given.count("--xpath")) {
    return UsageMistake("--select と --xpath は同時に指定できません");
  }
  WatchItem scratch;
  std::vector<std::string> keys = {"TxtC", "ChkD", "SKyW", "Keyw"};
  for (const auto& [option, value] : given) {
    if (std::string problem = ApplyTextOption(scratch, option, value); !problem.empty()) {
      return UsageMistake(problem);
    }
    static const std::map<std::string, std::vector<std::string>> kKeysOf = {
        {"--select", {"TCss", "TXPa"}}, {"--xpath", {"TCss", "TXPa"}}, {"--exclude", {"TExc"}},
        {"--ignore", {"TIgn"}},         {"--ignore-case", {"TIgC"}},  {"--added-only", {"TAdd"}}};
    if (auto found = kKeysOf.find(option); found != kKeysOf.end()) {
      keys.insert(keys.end(), found->second.begin(), found->second.end());
    }
  }
  ListChange change;
  change.kind = ListChange::Kind::Set;
  change.positions = {position};
  for (const std::string& key : keys) {
    std::string value;
    for (const ItemFieldLine& line : ItemFieldLines(scratch, false)) {
      if (line.key == key) value = line.value;
    }
    // A field written only when set is absent here when it is empty or 0.
    if (value.empty() && FindItemField(key)->type == ItemField::Type::Number) value = "0";
    change.fields.push_back({key, value});
  }
  return RunListChange(home, change);
}

int RunSet(const std::string& home, const std::vector<std::string>& args) {
  if (args.size() >= 2 && args[1].rfind("--", 0) == 0) {
    int position = ItemPosition(args[0]);
    if (position < 0) return Refuse("アイテムの番号 (1 から) ではありません: " + args[0]);
    return RunSetTextOptions(home, position, args);
  }
  if (args.size() != 3) return Refuse("set には番号, キー, 値を指定します");
  int position = ItemPosition(args[0]);
  if (position < 0) return Refuse("アイテムの番号 (1 から) ではありません: " + args[0]);
  // The value is checked here too, so that a bad one never reaches a running program.
  WatchItem scratch;
  if (std::string problem = SetItemField(scratch, args[1], args[2]); !problem.empty()) {
    return Refuse(problem);
  }
  ListChange change;
  change.kind = ListChange::Kind::Set;
  change.positions = {position};
  change.fields = {{args[1], args[2]}};
  return RunListChange(home, change);
}

int RunPositions(const std::string& home, ListChange::Kind kind, const std::vector<std::string>& args,
                 bool many) {
  if (args.empty() || (!many && args.size() != 1)) {
    return Refuse(many ? "アイテムの番号 (1 から) を指定します"
                       : "アイテムの番号 (1 から) を一つ指定します");
  }
  ListChange change;
  change.kind = kind;
  if (kind == ListChange::Kind::Acknowledge && args.size() == 1 && args[0] == "all") {
    return RunListChange(home, change);
  }
  change.positions = Positions(args, 0);
  if (change.positions.empty()) return ListAnswer::kRefused;
  return RunListChange(home, change);
}

}  // namespace

int ItemPosition(const std::string& text) {
  std::optional<int> number = ParseWholeNumber(text);
  return number && *number >= 1 ? *number - 1 : -1;
}

bool IsItemCommand(const std::string& command) {
  for (const char* name : {"add", "show", "set", "remove", "enable", "disable", "ack", "edit"}) {
    if (command == name) return true;
  }
  return false;
}

int RunItemCommand(const std::string& home, const std::string& command,
                   const std::vector<std::string>& args) {
  if (command == "add") return RunAdd(home, args);
  if (command == "show") return RunShow(home, args);
  if (command == "set") return RunSet(home, args);
  if (command == "edit") {
    int position = args.size() == 1 ? ItemPosition(args[0]) : -1;
    if (position < 0) return Refuse("edit にはアイテムの番号 (1 から) を一つ指定します");
    return RunEditCommand(home, position);
  }
  if (command == "remove") return RunPositions(home, ListChange::Kind::Remove, args, true);
  if (command == "enable") return RunPositions(home, ListChange::Kind::Enable, args, false);
  if (command == "disable") return RunPositions(home, ListChange::Kind::Disable, args, false);
  return RunPositions(home, ListChange::Kind::Acknowledge, args, true);
}

int RunListChange(const std::string& home, const ListChange& change) {
  std::string folder = platform::ResolveProgramFolder(home);
  platform::SetProgramFolder(folder);
  // A folder made here is the user's alone, as the application object makes it.
  std::string parent = folder.substr(0, folder.rfind('/'));
  if (!parent.empty()) platform::MakeDirectories(parent);
  platform::MakePrivateDirectory(folder);
  platform::CSingleInstanceLock lock;
  switch (lock.Acquire(folder)) {
    case platform::CSingleInstanceLock::Result::Failed:
      PrintLine(std::string("pagewarden-cli: ") + kNoLock, stderr);
      return ListAnswer::kFailed;
    case platform::CSingleInstanceLock::Result::HeldElsewhere:
      return PrintAnswer(HandListChange(change, ListHandOverTimes(), [] {
        PrintLine("pagewarden-cli: チェック中です。チェックが終わるのを待っています", stderr);
      }));
    case platform::CSingleInstanceLock::Result::Acquired:
      break;
  }
  // The lock is held to the end: no other program starts on the folder meanwhile.
  CWatchList list;
  list.Load();
  CTerminalPrompter prompter;
  if (!ConfirmWatchListLoad(list, prompter, false)) return 1;  // the file stays as it is
  // A refused change leaves the file as it was: nothing is saved before the change is made.
  ListAnswer answer = ApplyListChange(change, list);
  if (answer.status == ListAnswer::kDone && !list.Save()) {
    answer = {ListAnswer::kFailed, "ウォッチリストを保存できません: " + CWatchList::FilePath()};
  }
  return PrintAnswer(answer);
}

const std::vector<const char*>& ItemCommandsUsage() {
  static const std::vector<const char*> lines = {
      "  show N [--json]  アイテム N の全項目を キー<TAB>値 で表示します",
      "  set N キー 値    アイテム N の項目を一つ変更します (キーは show の4文字)",
      "  set N --text [--select CSS | --xpath 式] [--exclude CSS] [--ignore 正規表現]...",
      "        [--ignore-case] [--added-only]  アイテム N をテキスト比較にします",
      "  edit N       アイテム N を $VISUAL, $EDITOR または vi で編集します",
      "  remove N...  アイテムを削除します",
      "  enable N, disable N  アイテムを有効, 無効にします",
      "  ack N|all    更新マークを消します",
      "  変更するコマンドは, 実行中の Pagewarden (pagewarden-cli run を含む) があれば",
      "  その変更をそのプログラムに任せ, その答えを表示します。",
  };
  return lines;
}
