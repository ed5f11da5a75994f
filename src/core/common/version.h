// The product's name and version as the program shows and sends them.
#pragma once

inline constexpr const char* kProductName = "Pagewarden";
inline constexpr const char* kProductVersion = "1.35";
// The main window's caption and the CLI's --version answer.
inline constexpr const char* kProductTitle = "Pagewarden 1.35";
// The session's agent text and the page data page's own browser identity.
inline constexpr const char* kAgentText = "Pagewarden1.35";
