// The program-wide settings by the names the command line knows them by: how each is
// printed, and how a typed value is checked and taken. A later setting is one more row of
// the table in setting_names.cpp.
//
// Threads: any; the table itself never changes.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/common/app_settings.h"

struct NamedSetting {
  std::string name;
  // The values it takes, for the message that refuses another one.
  std::string allowed;
  std::function<std::string(const AppSettings&)> get;
  // false, with nothing changed, when `value` is not one of the allowed values. Empty for
  // a setting that is only read.
  std::function<bool(AppSettings&, const std::string& value)> set;
  // Why `value` is refused, naming the part that is wrong; empty: `allowed` says it all.
  std::function<std::string(const std::string& value)> why;
};

// Every setting, in the order they are printed.
const std::vector<NamedSetting>& NamedSettings();
// The setting called `name`, or null.
const NamedSetting* FindNamedSetting(const std::string& name);
// The names, separated by ", ".
std::string NamedSettingList();
