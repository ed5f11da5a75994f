// The running program's side of the list hand-over (list_request.h): takes the request
// files that the command line leaves in the data folder, makes each change among the
// watch list's queued changes, saves the list and answers the asker.
//
// Threads: UI thread. Owned by the check session; the list and the queue outlive it.
#pragma once

#include <functional>
#include <memory>
#include <string>

class CWatchList;
namespace platform {
class IUiQueue;
}

class CListRequestServer {
 public:
  // `changed` (may be empty) is told, through the queue, after a change was made (the
  // desktop program redraws its watch list window).
  CListRequestServer(CWatchList& list, platform::IUiQueue& queue, std::function<void()> changed);
  ~CListRequestServer();
  CListRequestServer(const CListRequestServer&) = delete;
  CListRequestServer& operator=(const CListRequestServer&) = delete;

  // A request message named `fileName`. A name that is not a request file of this data
  // folder is not for this program and is ignored.
  void Take(const std::string& fileName);

 private:
  CWatchList& m_list;
  platform::IUiQueue& m_queue;
  std::function<void()> m_changed;
  std::shared_ptr<bool> m_alive;
};
