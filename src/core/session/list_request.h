// Handing a list change to the program that works on the data folder (the desktop program
// or `pagewarden-cli run`), for the changing commands while another program holds the
// folder's lock.
//
// The hand-over: the change goes into a request file in the data folder, written
// atomically (it appears complete or not at all) and readable by its owner only; the
// request names the asker's answer socket. A broadcast "pagewarden-cli->Pageward:<file>"
// wakes every running program; only the one whose data folder holds the file takes it
// (CListRequestServer), by renaming it away, so it is taken once. The taker answers on the
// socket: at once "queued" when a check is running, and the final answer once the change
// is made and saved. The asker waits for that answer only while the taker lives (the
// datagrams tell who sent them).
//
// Threads: HandListChange blocks the calling thread until the answer or the time-out.
#pragma once

#include <chrono>
#include <functional>

#include "core/session/list_change.h"

inline constexpr const char* kListRequestPrefix = "ListRequest-";
// The interim answer of a program that queued the change behind a running check.
inline constexpr const char* kListAnswerQueued = "queued";

struct ListHandOverTimes {
  std::chrono::milliseconds firstAnswer{10000};  // any answer, after the broadcast
  std::chrono::milliseconds queued{600000};      // the final answer after "queued", while
                                                 // the taker runs
};

// Hands `change` over and waits for the answer. `onQueued` (may be empty) hears that the
// running program waits for its check to end. Without an answer in time the request is
// withdrawn when it was not yet taken, and the answer says which it was.
ListAnswer HandListChange(const ListChange& change, const ListHandOverTimes& times,
                          const std::function<void()>& onQueued = {});
