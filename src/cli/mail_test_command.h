// "pagewarden-cli [--home DIR] mailtest": the environment dialog's test send without a
// window. Sends a test mail from the configured account to itself with the
// communication log, prints each progress text and message box text as a line, then the
// authentication state found, and stores that state in the settings archive as the
// dialog's OK would.
#pragma once

#include <string>
#include <vector>

// -1 when `args` do not name the mailtest command; else the exit status: 0 when the mail
// was delivered, 1 when not, 2 for bad arguments.
int RunMailTestCommand(const std::vector<std::string>& args);
