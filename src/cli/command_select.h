// `pagewarden-cli select N`: fetches item N's page now and prints the text its check would
// compare, one line each (nothing selected or a selection that cannot run: status 1).
#pragma once

#include <string>

int RunSelectCommand(const std::string& homeArgument, int position);
