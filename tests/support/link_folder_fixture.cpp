#include "support/link_folder_fixture.h"

#include <cstdio>

#include "platform/file_system.h"

LinkFolderFixture::LinkFolderFixture() {
  environment.m_prompter = &prompter;
  environment.m_settings = &settings;
  environment.m_fetch.m_connectTimeoutMs = 5000;
  environment.m_fetch.m_receiveTimeoutMs = 5000;
}

void LinkFolderFixture::WriteLinks(const std::vector<std::pair<std::string, std::string>>& links) {
  FILE* out = platform::OpenFile(folder.File(kLinkListName), "w");
  for (const auto& [file, name] : links) {
    FetchRequest request;
    request.m_savePath = file;
    request.m_name = name;
    request.m_url = server.Url("/" + file);
    request.Write(out);
  }
  std::fclose(out);
}

void LinkFolderFixture::WriteLinks(const std::vector<std::string>& files,
                                   const std::string& namePrefix) {
  std::vector<std::pair<std::string, std::string>> links;
  for (const std::string& file : files) links.emplace_back(file, namePrefix + file);
  WriteLinks(links);
}

void LinkFolderFixture::WriteFiles(const std::vector<std::string>& files) {
  for (const std::string& file : files) folder.WriteBytes(file, "old " + file);
}
