#include "cli/cli_main.h"

#include <algorithm>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

#include "cli/command_check.h"
#include "cli/command_diff.h"
#include "cli/command_select.h"
#include "cli/command_items.h"
#include "cli/command_links.h"
#include "cli/command_list.h"
#include "cli/command_run.h"
#include "cli/command_settings.h"
#include "cli/console.h"
#include "cli/item_options.h"
#include "cli/mail_test_command.h"
#include "cli/usage_mistake.h"
#include "core/common/app_settings.h"
#include "core/common/version.h"
#include "platform/text_codec.h"

namespace {

const char* const kUsage[] = {
    "使い方: pagewarden-cli [--home フォルダ] コマンド [引数]",
    "        pagewarden-cli --help | --version",
    "",
    "コマンド:",
    "  list [--json] ウォッチアイテムを一覧表示します",
    "               (番号, 更新マーク, 有効, スケジュール, 最終確認, 名前またはURL)",
    "  check all    有効なアイテムをすべて直ちにチェックします",
    "  check N      N 番目のアイテムを直ちにチェックします (1 から数えます)",
    "               (--json: 結果を一つの JSON 文書で表示します)",
    "               (失敗したチェックがあれば終了コード 3)",
    "               (--jobs N: 今回だけ同時に N 件までチェックします, 1 から 16)",
    "  run          スケジュールどおりにチェックを続けます (SIGINT, SIGTERM で終了)",
    "  diff N [--no-color]",
    "               N 番目のアイテムの前の版から今の版への変更を unified diff で表示します",
    "               (前の版がなければ終了コード 1)",
    "               テキスト比較のアイテムでは比較するテキストの行の変更を表示します",
    "  select N     N 番目のアイテムのページを今取得し, 比較するテキストを表示します",
    "               (選択した部分が見つからなければ終了コード 1)",
    "  mailtest     設定したメールアカウントにテストメールを送ります",
    "               check と run は更新時の動作 (サウンド, 表示, 実行, メール, 通知) を行います",
    "               --no-actions: 更新時の動作を行いません",
    "  links [フォルダ] [--force]",
    "               リンクフォルダのリンクを一覧表示します (既定は前回のリンクフォルダ)",
    "               (番号, ファイル, 名前, リンク先URL, ファイルあり/ファイルなし)",
    "  links [フォルダ] [--force] update [N]",
    "               リンクをすべて (または N 番目を) 更新して保存します",
    "               --force: 他で使用中のリンクファイルを強制的に使用します",
    "  settings [名前 [値]]",
    "               設定を一覧表示します (名前<TAB>値)。名前と値で設定を変更して保存します",
    "               (settings mail-password - はパスワードを標準入力から読みます)",
    "オプション (コマンドの前に):",
    "  --home フォルダ",
    "               データフォルダ。省くと PAGEWARDEN_HOME、なければ",
    "               $XDG_DATA_HOME/pagewarden (既定は ~/.local/share/pagewarden)",
    "  --version    版を表示します",
    "  --help, -h   この説明を表示します",
    "",
    "終了コード: 0 成功, 1 失敗 (データフォルダを使えない, 他のプログラムが使用中など),",
    "            2 引数の誤り, 3 check で失敗したチェックがある",
};

void PrintUsage(FILE* stream) {
  for (const char* line : kUsage) {
    if (std::string(line).rfind("オプション", 0) == 0) {  // the item commands come before
      for (const char* item : ItemOptionsUsage()) PrintLine(item, stream);
      for (const char* item : ItemCommandsUsage()) PrintLine(item, stream);
      PrintLine("", stream);
    }
    PrintLine(line, stream);
  }
}

// Removes `option` from `args`; whether it was there.
bool TakeOption(std::vector<std::string>& args, const std::string& option) {
  auto found = std::find(args.begin(), args.end(), option);
  if (found == args.end()) return false;
  args.erase(found);
  return true;
}

// The checks at once of one run: 1 to kMaxCheckJobs.
bool ParseJobs(const std::string& text, int& jobs) {
  if (text.empty() || text.size() > 2 || text.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  jobs = std::stoi(text);
  return jobs >= 1 && jobs <= kMaxCheckJobs;
}

// The commands whose options are known here, with those options; add, set and settings
// read their own arguments (a value may begin with a dash).
const std::map<std::string, std::vector<std::string>>& CommandOptions() {
  static const std::map<std::string, std::vector<std::string>> options = {
      {"list", {"--json"}},      {"check", {"--json", "--jobs", "--no-actions"}},
      {"run", {"--no-actions"}}, {"diff", {"--no-color"}},
      {"select", {}},
      {"links", {"--force"}},    {"mailtest", {}},
      {"show", {"--json"}},      {"edit", {}},
      {"remove", {}},            {"enable", {}},
      {"disable", {}},           {"ack", {}}};
  return options;
}

std::vector<std::string> CommandNames() {
  std::vector<std::string> names = {"add", "set", "settings"};
  for (const auto& [name, options] : CommandOptions()) names.push_back(name);
  return names;
}

// "-x" or "--x", not a negative number.
bool LooksLikeOption(const std::string& argument) {
  return argument.size() > 1 && argument[0] == '-' && (argument[1] < '0' || argument[1] > '9');
}

// An argument of `command` that looks like an option it does not have; "" when none.
std::string UnknownOption(const std::string& command, const std::vector<std::string>& args) {
  auto known = CommandOptions().find(command);
  if (known == CommandOptions().end()) return "";
  for (const std::string& argument : args) {
    if (!LooksLikeOption(argument)) continue;
    const std::vector<std::string>& options = known->second;
    if (std::find(options.begin(), options.end(), argument) == options.end()) {
      return UnknownNameText("不明なオプション", argument, options);
    }
  }
  return "";
}

// The options before the command, given anywhere among themselves.
struct GlobalOptions {
  std::string home;
  bool help = false;
  bool version = false;
  std::size_t commandAt = 0;  // the index of the command in the arguments
  std::string mistake;        // a message when the options cannot be used
};

GlobalOptions ReadGlobalOptions(const std::vector<std::string>& args) {
  GlobalOptions global;
  std::size_t& next = global.commandAt;
  for (; next < args.size() && LooksLikeOption(args[next]); ++next) {
    const std::string& option = args[next];
    if (option == "--home") {
      if (next + 1 >= args.size() || args[next + 1].empty()) {
        global.mistake = "--home にフォルダがありません";
        return global;
      }
      global.home = args[++next];
    } else if (option.rfind("--home=", 0) == 0 && option.size() > 7) {
      global.home = option.substr(7);
    } else if (option == "--help" || option == "-h") {
      global.help = true;
    } else if (option == "--version") {
      global.version = true;
    } else {
      global.mistake = UnknownNameText("不明なオプション", option, {"--home", "--help", "--version"});
      return global;
    }
  }
  return global;
}

// A positive item number, or 0 when the text is not one.
int ItemNumber(const std::string& text) {
  if (text.empty() || text.size() > 9) return 0;
  for (char ch : text) {
    if (ch < '0' || ch > '9') return 0;
  }
  return std::stoi(text);
}

}  // namespace

int RunCli(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    if (RefuseForeignText(argv[i])) return 2;
    args.push_back(platform::Utf8ToCp932(argv[i]));
  }
  GlobalOptions global = ReadGlobalOptions(args);
  if (!global.mistake.empty()) return UsageMistake(global.mistake);
  if (global.help) {
    PrintUsage(stdout);
    return 0;
  }
  if (global.version) {
    PrintLine(kProductTitle);
    return 0;
  }
  if (global.commandAt >= args.size()) return UsageMistake("コマンドがありません");
  const std::string& home = global.home;
  const std::string& command = args[global.commandAt];
  std::vector<std::string> rest(args.begin() + static_cast<long>(global.commandAt) + 1, args.end());
  std::vector<std::string> commands = CommandNames();
  if (std::find(commands.begin(), commands.end(), command) == commands.end()) {
    return UsageMistake(UnknownNameText("不明なコマンド", command, commands));
  }
  if (!rest.empty() && (rest[0] == "--help" || rest[0] == "-h")) {
    PrintUsage(stdout);
    return 0;
  }
  if (std::string unknown = UnknownOption(command, rest); !unknown.empty()) {
    return UsageMistake(unknown);
  }

  if (command == "links") return RunLinksCommand(home, rest);
  if (command == "settings") return RunSettingsCommand(home, rest);
  if (IsItemCommand(command)) return RunItemCommand(home, command, rest);
  // The options of list, check and run may stand anywhere after the command.
  bool json = (command == "list" || command == "check") && TakeOption(rest, "--json");
  bool actions = !((command == "check" || command == "run") && TakeOption(rest, "--no-actions"));
  int jobs = 0;
  if (command == "check") {
    auto found = std::find(rest.begin(), rest.end(), "--jobs");
    if (found != rest.end()) {
      if (found + 1 == rest.end() || !ParseJobs(*(found + 1), jobs)) {
        return UsageMistake("--jobs には 1 から " + std::to_string(kMaxCheckJobs) + " までの整数を指定します");
      }
      rest.erase(found, found + 2);
    }
  }
  if (command == "list" && rest.empty()) return RunListCommand(home, json);
  if (command == "mailtest" && rest.empty()) return RunMailTestCommand(home);
  if (command == "diff") {
    bool colour = !TakeOption(rest, "--no-color") && isatty(STDOUT_FILENO);
    if (rest.size() == 1) {
      if (int number = ItemNumber(rest[0])) return RunDiffCommand(home, number - 1, colour);
    }
    return UsageMistake("diff にはアイテムの番号 (1 から) を指定します");
  }
  if (command == "select") {
    if (rest.size() == 1) {
      if (int number = ItemNumber(rest[0])) return RunSelectCommand(home, number - 1);
    }
    return UsageMistake("select にはアイテムの番号 (1 から) を指定します");
  }
  if (command == "run" && rest.empty()) return RunResidentCommand(home, actions);
  if (command == "check" && rest.size() == 1) {
    if (rest[0] == "all") return RunCheckCommand(home, -1, json, actions, jobs);
    if (int number = ItemNumber(rest[0])) return RunCheckCommand(home, number - 1, json, actions, jobs);
  }
  if (command == "check") return UsageMistake("check には all かアイテムの番号 (1 から) を指定します");
  return UsageMistake(command + " には引数がありません: " + rest[0]);
}
