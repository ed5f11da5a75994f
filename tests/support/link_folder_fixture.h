// A link folder with its list file, a loopback HTTP server for the links' pages, and what a
// link list needs, for the tests of the link list, its dialog and its command.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/common/app_settings.h"
#include "core/links/link_list.h"
#include "support/loopback_http_server.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"

class LinkFolderFixture {
 public:
  LinkFolderFixture();

  // The list file: a link per (file, name), to "/<file>" on the server.
  void WriteLinks(const std::vector<std::pair<std::string, std::string>>& links);
  // The same, each named `namePrefix` and its file.
  void WriteLinks(const std::vector<std::string>& files, const std::string& namePrefix);
  // The files, each holding "old " and its name.
  void WriteFiles(const std::vector<std::string>& files);

  TempFolder folder;
  LoopbackHttpServer server;
  CScriptedPrompter prompter;
  AppSettings settings;
  LinkListEnvironment environment;  // the prompter and settings above, 5 s time-outs
};
