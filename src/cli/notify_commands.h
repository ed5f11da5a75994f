// "notifytest ADDRESS": a test message to one notification address, with the settings'
// proxy and certificates, printing the address (secrets masked) and the service's answer;
// "feed": the feed of changes of the data folder, printed as it is stored.
#pragma once

#include <string>

// Exit status 0 when the service took the message, 1 when not (or the data folder cannot
// be used), 2 when the address is refused.
int RunNotifyTestCommand(const std::string& homeArgument, const std::string& address);
// Exit status 0, or 1 when no update has been recorded yet or the feed cannot be read.
int RunFeedCommand(const std::string& homeArgument);
