// The names through which the program meets its companion programs: the value store keys,
// the registered messages and the companions' executables.
#pragma once

// Value store keys (folders below the per-user store's root).
inline constexpr const char* kOwnKeyPath = "Software\\Velmar\\Pageward";
inline constexpr const char* kHelperKeyPath = "Software\\Velmar\\grabHelper";
inline constexpr const char* kDownloaderKeyPath = "Software\\Velmar\\Linkreel";
inline constexpr const char* kLocationKeyPath = "Software\\Velmar\\Location";

// Registered messages, sender->receiver.
inline constexpr const char* kMessageShowPagewarden = "Pageward->Pageward";
inline constexpr const char* kMessageHelperRequest = "grabHelper->Pageward";
inline constexpr const char* kMessageRequestForHelper = "Pageward->grabHelper";
inline constexpr const char* kMessageWakeHelper = "Linkreel->grabHelper";
inline constexpr const char* kMessageWakeDownloader = "grabHelper->Linkreel";

// The companions' executables, each in the folder its key's "Position" names.
inline constexpr const char* kHelperExecutable = "Grabmate";
inline constexpr const char* kDownloaderExecutable = "Linkreel";

// The lowest helper version that takes request files (1.50).
inline constexpr int kRequestFileHelperVersion = 150;
// A request left for the helper blocks the next one for this many seconds.
inline constexpr int kHelperBusySeconds = 60;

// The command line hands a list change to the program working on the data folder: this
// name, a colon and the name of the request file it left in the data folder.
inline constexpr const char* kMessageListRequest = "pagewarden-cli->Pageward";
