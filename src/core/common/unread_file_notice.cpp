#include "core/common/unread_file_notice.h"

namespace {

constexpr const char* kCannotRead = "を読み込めません: ";
constexpr const char* kUnreadable = "ファイルを開けないか、読み取れません。";
constexpr const char* kDamaged = "ファイルが壊れているか、途中で切れています。";
constexpr const char* kQuestion =
    "続けると、このファイルを日付を付けた名前で残してから新しく保存します。\n"
    "「いいえ」を選ぶと何も書き込まずに終了します。\n続けますか？";
constexpr const char* kLeftAlone =
    "ファイルには何も書き込みません。直すか別の場所へ移してから、もう一度実行してください。";

}  // namespace

bool ConfirmUnreadFile(IPrompter& prompter, bool ask, const std::string& what,
                       const std::string& path, platform::LoadOutcome outcome,
                       const std::string& detail) {
  if (outcome != platform::LoadOutcome::Unreadable && outcome != platform::LoadOutcome::Damaged) {
    return true;
  }
  std::string text = what + kCannotRead + path + "\n" +
                     (outcome == platform::LoadOutcome::Unreadable ? kUnreadable : kDamaged);
  if (!detail.empty()) text += "\n" + detail;
  if (!ask) {
    prompter.ShowMessage(text + "\n" + kLeftAlone, IPrompter::Buttons::Ok, IPrompter::Icon::Error);
    return false;
  }
  return prompter.ShowMessage(text + "\n\n" + kQuestion, IPrompter::Buttons::YesNo,
                              IPrompter::Icon::Warning) == IPrompter::Answer::Yes;
}
