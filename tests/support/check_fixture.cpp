#include "support/check_fixture.h"

#include <dirent.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/file_system.h"
#include "platform/program_folder.h"

CheckFixture::CheckFixture() {
  platform::SetProgramFolder(folder.Path());
  platform::MakeDirectory(folder.File("comp"));
}

CheckFixture::~CheckFixture() = default;

CheckEnvironment CheckFixture::Environment() {
  CheckEnvironment environment;
  environment.m_prompter = &prompter;
  environment.m_settings = &settings;
  environment.m_converter = &converter;
  environment.m_fetch.m_connectTimeoutMs = 5000;
  environment.m_fetch.m_receiveTimeoutMs = 5000;
  return environment;
}

WatchItem CheckFixture::FullTextItem(const std::string& path) const {
  WatchItem item = DateItem(path);
  item.m_compareAll = 1;
  return item;
}

WatchItem CheckFixture::KeywordItem(const std::string& path, const std::string& keyword,
                                    int options) const {
  WatchItem item = DateItem(path);
  item.m_simpleKeyword = keyword;
  item.m_simpleKeywordOptions = options;
  return item;
}

WatchItem CheckFixture::AnchorItem(const std::string& path, const std::string& anchor,
                                   int offset, int size) const {
  WatchItem item = DateItem(path);
  item.m_anchorKeyword = anchor;
  item.m_compareOffset = offset;
  item.m_compareSize = size;
  return item;
}

WatchItem CheckFixture::DateItem(const std::string& path) const {
  WatchItem item;
  item.m_url = server.Url(path);
  item.m_active = 1;
  item.m_soundUse = 0;
  item.m_popUp = 0;
  return item;
}

void CheckFixture::Serve(const std::string& path, const std::string& body,
                         const std::string& contentType) {
  server.Handle(path, [body, contentType](const HttpRequestRecord&) {
    return ScriptedResponse::Ok(body, contentType);
  });
}

std::vector<std::string> CheckFixture::FilesIn(const std::string& path) const {
  std::vector<std::string> names;
  if (DIR* dir = opendir(platform::NativePath(path).c_str())) {
    while (dirent* entry = readdir(dir)) {
      std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

WatchItem CheckFixture::CheckNow(CReNew& engine, CRecordingNotify& notify, WatchItem item) {
  item.m_nextCheck = 0;
  std::size_t before = notify.done.size();
  engine.Start(item);
  EXPECT_TRUE(queue.RunUntil([&] { return notify.done.size() > before; }, 10000));
  engine.SignalIdle();
  return notify.done.empty() ? WatchItem() : notify.done.back();
}
