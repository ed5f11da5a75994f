#include "gui/app/desktop_usage.h"

#include "core/common/closest_name.h"
#include "platform/text_codec.h"

std::string DesktopUsageText() {
  static const char* const kLines[] = {
      "使い方: pagewarden [--home フォルダ] [--resident]",
      "        pagewarden --help | --version",
      "",
      "ウォッチリストのウェブページをスケジュールどおりにチェックし、更新を知らせます。",
      "ウィンドウなしでチェックするには pagewarden-cli を使います (pagewarden-cli --help)。",
      "",
      "オプション:",
      "  --home フォルダ",
      "               データフォルダ。省くと PAGEWARDEN_HOME、なければ",
      "               $XDG_DATA_HOME/pagewarden (既定は ~/.local/share/pagewarden)",
      "  --resident   メインウィンドウを出さずに通知領域に常駐して起動します",
      "  --version    版を表示します",
      "  --help, -h   この説明を表示します",
      "ほかに GTK の引数 (--display など) を受け付けます。",
      "",
      "終了コード: 0 正常終了, 1 ディスプレイがない, または起動できない, 2 引数の誤り",
  };
  std::string text;
  for (const char* line : kLines) text += line + std::string("\n");
  return platform::Cp932ToUtf8(text);
}

std::string DesktopUnknownArgumentText(const std::string& argument) {
  std::string line = "pagewarden: 不明な引数: " + argument;
  std::string guess = ClosestName(argument, {"--home", "--resident", "--help", "--version"});
  if (!guess.empty()) line += " (もしかして: " + guess + ")";
  return platform::Cp932ToUtf8(line + "\n使い方は pagewarden --help で表示します\n");
}
