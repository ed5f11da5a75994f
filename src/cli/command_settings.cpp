#include "cli/command_settings.h"

#include <unistd.h>

#include "cli/cli_session.h"
#include "cli/console.h"
#include "cli/usage_mistake.h"
#include "core/app/autostart.h"
#include "core/app/setting_names.h"
#include "core/app/settings_archive.h"

namespace {

constexpr const char* kFromStandardInput = "-";

int Refuse(const std::string& message) {
  PrintLine("pagewarden-cli: " + message, stderr);
  return 2;
}

int RefuseName(const std::string& name) {
  std::vector<std::string> names;
  for (const NamedSetting& setting : NamedSettings()) names.push_back(setting.name);
  return Refuse(UnknownNameText("不明な設定", name, names) + " (設定の名前: " + NamedSettingList() +
                ")");
}

void PrintSetting(const NamedSetting& setting, const AppSettings& settings) {
  PrintLine(setting.name + "\t" + setting.get(settings));
}

int PrintSettings(const std::string& homeArgument, const NamedSetting* only) {
  CCliSession session;
  if (int status = session.Open(homeArgument, CCliSession::Access::Read)) return status;
  AppSettings settings = StoredSettings();
  for (const NamedSetting& setting : NamedSettings()) {
    if (!only || only == &setting) PrintSetting(setting, settings);
  }
  return 0;
}

std::optional<std::string> ReadPassword() {
  if (isatty(STDIN_FILENO)) Prompt("パスワード: ");
  return ReadInputLine(kWaitForInput, true);
}

int SetSetting(const std::string& homeArgument, const NamedSetting& setting, std::string value) {
  if (!setting.set) return Refuse(setting.name + " は読み取り専用です (" + setting.allowed + ")");
  if (setting.name == "mail-password" && value == kFromStandardInput) {
    std::optional<std::string> typed = ReadPassword();
    if (!typed) return Refuse("標準入力からパスワードを読めませんでした");
    value = *typed;
  }
  CCliSession session;
  if (int status = session.Open(homeArgument, CCliSession::Access::Work)) return status;
  AppSettings& settings = session.App().m_settings;
  if (!setting.set(settings, value)) {
    std::string why = setting.why ? setting.why(value) : std::string();
    if (!why.empty()) return Refuse(setting.name + " の値が正しくありません: " + why);
    return Refuse(setting.name + " の値が正しくありません: " + value + " (使える値: " +
                  setting.allowed + ")");
  }
  std::string autostartFailure;
  bool autostartApplied = setting.name != "autostart" ||
                          ApplyAutostartSetting(settings, autostartFailure);
  if (!session.App().SaveSettings()) {
    PrintLine("pagewarden-cli: 設定ファイルを保存できませんでした: " + SettingsArchivePath(),
              stderr);
    return 1;
  }
  if (!autostartApplied) {
    PrintLine("pagewarden-cli: " + autostartFailure, stderr);
    return 1;
  }
  PrintSetting(setting, settings);
  return 0;
}

}  // namespace

AppSettings StoredSettings() {
  AppSettings settings;
  MainWindowLayout mainWindow;
  WatchListWindowLayout watchListWindow;
  // A missing archive is a program that keeps every default.
  LoadSettingsFile(SettingsArchivePath(), settings, mainWindow, watchListWindow);
  return settings;
}

int RunSettingsCommand(const std::string& homeArgument, const std::vector<std::string>& args) {
  if (args.empty()) return PrintSettings(homeArgument, nullptr);
  if (args.size() > 2) return Refuse("settings には設定の名前と値を一つずつ指定します");
  const NamedSetting* setting = FindNamedSetting(args[0]);
  if (!setting) return RefuseName(args[0]);
  if (args.size() == 1) return PrintSettings(homeArgument, setting);
  return SetSetting(homeArgument, *setting, args[1]);
}
