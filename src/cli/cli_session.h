// The program folder as the commands use it: resolved from --home (or the environment),
// created on first use with its "comp" folder, locked against a second working copy, with
// the program-wide settings read from the settings archive.
#pragma once

#include <string>

#include "cli/terminal_prompter.h"
#include "core/app/app_settings.h"
#include "core/check/renew.h"
#include "platform/code_page_converter.h"
#include "platform/instance_lock.h"

class CCliSession {
 public:
  enum class Access { Read, Work };  // Work: this copy alone may check and save
  // 0 when the folder can be used; otherwise prints why to standard error and gives the
  // exit status (1).
  int Open(const std::string& homeArgument, Access access);
  CheckEnvironment Environment();
  const std::string& Folder() const { return m_folder; }

 private:
  std::string m_folder;
  AppSettings m_settings;
  platform::CCodePageConverter m_converter;
  CTerminalPrompter m_prompter;
  platform::CInstanceLock m_lock;
};
