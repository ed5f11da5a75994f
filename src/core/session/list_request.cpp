#include "core/session/list_request.h"

#include <unistd.h>

#include <atomic>
#include <functional>
#include <memory>

#include "core/common/path_utils.h"
#include "core/companion/companion_names.h"
#include "platform/atomic_file.h"
#include "platform/broadcast.h"
#include "platform/datagram.h"
#include "platform/file_system.h"
#include "platform/process_watch.h"

namespace {

constexpr const char* kNoAnswer =
    "データフォルダを使用中のPagewardenから応答がありません";
constexpr const char* kEndedWithoutAnswer =
    "データフォルダを使用中のPagewardenが応答する前に終了しました";

std::string NewRequestName() {
  static std::atomic<int> counter{0};
  return std::string(kListRequestPrefix) + std::to_string(getpid()) + "-" +
         std::to_string(counter++);
}

bool WriteRequest(const std::string& path, const ListChange& change, const std::string& reply) {
  platform::CAtomicFile file(path, platform::CAtomicFile::Mode::Text,
                             platform::CAtomicFile::Access::OwnerOnly);
  FILE* stream = file.Open();
  if (!stream) return false;
  // The native path of the answer socket, as the taker hands it to the OS.
  bool good = std::fprintf(stream, "Repl: %s\n", reply.c_str()) > 0 && change.Write(stream);
  return good && file.Commit();
}

ListAnswer Failed(const std::string& text) { return {ListAnswer::kFailed, text}; }

}  // namespace

ListAnswer HandListChange(const ListChange& change, const ListHandOverTimes& times,
                          const std::function<void()>& onQueued) {
  platform::CDatagramInbox inbox("pagewarden-cli");
  if (!inbox.Listening()) return Failed("応答を受け取るソケットを作れません");
  std::string name = NewRequestName();
  std::string path = ProgramFolder() + "/" + name;
  if (!WriteRequest(path, change, inbox.Path())) {
    return Failed("要求ファイルを書けません: " + path);
  }
  platform::Broadcast(std::string(kMessageListRequest) + ":" + name);

  auto wait = times.firstAnswer;
  // The program that queued the change: a check may hold it for minutes, but once that
  // program has ended no answer can come.
  std::unique_ptr<platform::CProcessWatch> taker;
  for (;;) {
    std::optional<std::string> bytes = inbox.Receive(static_cast<int>(wait.count()), taker.get());
    if (!bytes) break;
    if (*bytes == kListAnswerQueued) {
      if (onQueued) onQueued();
      taker = std::make_unique<platform::CProcessWatch>(inbox.LastSenderPid());
      wait = times.queued;
      continue;
    }
    if (std::optional<ListAnswer> answer = ListAnswer::Decode(*bytes)) return *answer;
  }
  if (taker && taker->Ended()) {
    return Failed(std::string(kEndedWithoutAnswer) + "。変更されたかどうか分かりません");
  }
  // Withdrawn if still there; once taken, the change may have been made all the same.
  if (platform::RemoveFile(path)) return Failed(std::string(kNoAnswer) + "。変更していません");
  return Failed(std::string(kNoAnswer) + "。変更されたかどうか分かりません");
}
