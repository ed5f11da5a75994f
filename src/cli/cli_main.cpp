#include "cli/cli_main.h"

#include <string>
#include <vector>

#include "cli/console.h"
#include "cli/mail_test_command.h"
#include "core/app/version.h"

namespace {

const char* const kUsage[] = {
    "使い方: pagewarden-cli [--home フォルダ] コマンド",
    "",
    "コマンド:",
    "  --version    版を表示します",
    "  --help       この説明を表示します",
    "  mailtest     設定のメールアカウントにテストメールを送り、SMTP認証を調べて保存します",
    "",
    "--home を省くと PAGEWARDEN_HOME、なければ $XDG_DATA_HOME/pagewarden",
    "(既定は ~/.local/share/pagewarden) をデータフォルダとして使います。",
};

void PrintUsage(FILE* stream) {
  for (const char* line : kUsage) PrintLine(line, stream);
}

}  // namespace

int RunCli(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && args[0] == "--version") {
    PrintLine(kProductTitle);
    return 0;
  }
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    PrintUsage(stdout);
    return 0;
  }
  if (int status = RunMailTestCommand(args); status >= 0) {
    if (status == 2) PrintUsage(stderr);
    return status;
  }
  PrintUsage(stderr);
  return 2;
}
