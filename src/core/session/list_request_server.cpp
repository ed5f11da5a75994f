#include "core/session/list_request_server.h"

#include "core/common/path_utils.h"
#include "core/session/list_change.h"
#include "core/session/list_request.h"
#include "core/watch/watch_list.h"
#include "platform/datagram.h"
#include "platform/file_system.h"
#include "platform/ui_queue.h"

namespace {

struct TakenRequest {
  std::string replyPath;
  std::optional<ListChange> change;
};

// Claims the file by renaming it (an asker that gave up and withdrew it wins the race, or
// loses it, cleanly), reads it and deletes it.
std::optional<TakenRequest> ClaimRequest(const std::string& path) {
  std::string claimed = path + ".taken";
  if (!platform::RenameFile(path, claimed)) return std::nullopt;
  TakenRequest taken;
  if (FILE* file = platform::OpenFile(claimed, "r")) {
    char line[4096];
    if (std::fgets(line, sizeof line, file)) {
      std::string first = line;
      if (first.rfind("Repl: ", 0) == 0 && first.back() == '\n') {
        taken.replyPath = first.substr(6, first.size() - 7);
        taken.change = ListChange::Read(file);
      }
    }
    std::fclose(file);
  }
  platform::RemoveFile(claimed);
  if (taken.replyPath.empty()) return std::nullopt;
  return taken;
}

}  // namespace

CListRequestServer::CListRequestServer(CWatchList& list, platform::IUiQueue& queue,
                                       std::function<void()> changed)
    : m_list(list), m_queue(queue), m_changed(std::move(changed)),
      m_alive(std::make_shared<bool>(true)) {}

CListRequestServer::~CListRequestServer() { *m_alive = false; }

void CListRequestServer::Take(const std::string& fileName) {
  if (fileName.rfind(kListRequestPrefix, 0) != 0 ||
      fileName.find_first_of("/\\") != std::string::npos) {
    return;
  }
  std::string path = ProgramFolder() + "/" + fileName;
  if (!platform::FileExists(path)) return;  // another data folder's request
  std::optional<TakenRequest> taken = ClaimRequest(path);
  if (!taken) return;
  if (!taken->change) {
    platform::SendDatagram(taken->replyPath,
                           ListAnswer{ListAnswer::kFailed, "要求を読めません"}.Encode());
    return;
  }
  if (m_list.IsBusy()) platform::SendDatagram(taken->replyPath, kListAnswerQueued);

  ListChange change = std::move(*taken->change);
  std::string reply = taken->replyPath;
  platform::IUiQueue* queue = &m_queue;
  std::function<void()> changed = m_changed;
  m_list.QueueEdit([queue, changed, change, reply, alive = m_alive](CWatchList& list) {
    ListAnswer answer = ApplyListChange(change, list);
    if (answer.status == ListAnswer::kDone && !list.Save()) {
      answer = {ListAnswer::kFailed, answer.text + "\nウォッチリストを保存できません: " +
                                         CWatchList::FilePath()};
    }
    platform::SendDatagram(reply, answer.Encode());
    if (answer.status == ListAnswer::kDone && *alive && changed) {
      queue->Post([changed, alive] {
        if (*alive) changed();
      });
    }
  });
}
