// Starting the desktop program at login: the user's XDG autostart entry
// "pagewarden.desktop", written when "ログイン時に起動" is turned on and removed when it is
// turned off. The entry starts the program resident (in the tray) on the data folder in use.
#pragma once

#include <string>

#include "core/common/app_settings.h"

// $XDG_CONFIG_HOME/autostart/pagewarden.desktop, or ~/.config/autostart/... (CP932).
std::string AutostartEntryPath();

// Makes the entry follow `settings.m_autostart`: writes it (atomically; the autostart folder
// is made when missing) or removes it (none there is fine). It starts "pagewarden" beside
// the running executable, else the one the login's search path finds. When it cannot, the
// setting is put back to what the entry on disk says (so the saved setting never claims
// what is not so), and `message` tells why.
bool ApplyAutostartSetting(AppSettings& settings, std::string& message);
