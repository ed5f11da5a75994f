// "pagewarden-cli [--home DIR] mailtest": the environment dialog's test send without a
// window. Sends a test mail from the configured account to itself with the
// communication log, prints each progress text and message box text as a line, then the
// authentication state found, and stores that state in the settings archive as the
// dialog's OK would.
#pragma once

#include <string>

// `homeArgument` is --home's folder (CP932), empty when not given. The exit status: 0 when
// the mail was delivered, 1 when not or when the data folder cannot be used.
int RunMailTestCommand(const std::string& homeArgument);
