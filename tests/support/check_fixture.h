// A program folder, a loopback HTTP server and everything a check needs, for tests of the
// check engine, the watch list and the dispatcher. The fixture's queue is the UI thread's:
// the test thread serves it with RunUntil.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/common/app_settings.h"
#include "core/check/check_results.h"
#include "core/check/renew.h"
#include "core/watch/watch_item.h"
#include "platform/code_page_converter.h"
#include "platform/ui_queue.h"
#include "support/loopback_http_server.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"

// Collects result rows.
class CRecordingResultView : public IResultView {
 public:
  void AddResultRow(const ResultRow& row) override { rows.push_back(row); }
  std::vector<ResultRow> rows;
};

// Collects the engine's reports as they arrive on the UI thread.
class CRecordingNotify : public ICheckNotify {
 public:
  void OnCheckDone(const WatchItem& item) override { done.push_back(item); }
  void OnMailFailed(const WatchItem& item) override { mailFailed.push_back(item); }
  void OnNotifyFailed(const WatchItem&, const std::string& text) override {
    notifyFailed.push_back(text);
  }
  std::vector<WatchItem> done;
  std::vector<std::string> notifyFailed;
  std::vector<WatchItem> mailFailed;
};

class CheckFixture {
 public:
  CheckFixture();  // sets the program folder (with "comp") for the life of the fixture
  ~CheckFixture();

  CheckEnvironment Environment();
  // A check engine with that environment, for a watch list.
  std::unique_ptr<CReNew> MakeEngine() { return std::make_unique<CReNew>(Environment()); }
  // An active daily start-up item on `path` of the server, compared by `rule`.
  WatchItem FullTextItem(const std::string& path) const;
  WatchItem KeywordItem(const std::string& path, const std::string& keyword, int options) const;
  WatchItem AnchorItem(const std::string& path, const std::string& anchor, int offset,
                       int size) const;
  WatchItem DateItem(const std::string& path) const;
  // Serves the page's body for every later request of `path`.
  void Serve(const std::string& path, const std::string& body,
             const std::string& contentType = "text/html");
  // Starts a check of `item` at once on `engine` (reporting to `notify` through the
  // queue) and gives the engine's copy after it.
  WatchItem CheckNow(CReNew& engine, CRecordingNotify& notify, WatchItem item);
  // Files in the folder (names only, sorted).
  std::vector<std::string> FilesIn(const std::string& folder) const;

  TempFolder folder;
  LoopbackHttpServer server;
  platform::CCodePageConverter converter;
  CScriptedPrompter prompter;
  AppSettings settings;
  platform::CLoopQueue queue;
};
