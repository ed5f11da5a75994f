// The communication log "InetCom.log" in the program folder: written only during mail
// tests, opened by the first client of a test and closed by the mail job at its end.
#pragma once

#include <cstdio>
#include <string>

// The local time of platform::Now() as the log writes it: "%y/%m/%d %H:%M:%S".
std::string MailLogTimeStamp();
// Opens the log for appending (text mode); nullptr when it cannot be opened.
FILE* OpenMailLog();
// Writes one line directly: "%s " + text + "\n" with the time stamp, the CP932 text in UTF-8.
void WriteMailLogLine(FILE* log, const std::string& text);

inline constexpr const char* kMailLogName = "InetCom.log";
inline constexpr const char* kMailLogStartText = "－－－ログの記録を開始しました。－－－";
