// Mistakes on the command line: one line that names the wrong word, a guess at the meant
// one when a known name is close, and a pointer to --help, instead of the whole usage.
#pragma once

#include <string>
#include <vector>

// "`what`: `typed`", followed by " (もしかして: NAME)" when a name is close.
std::string UnknownNameText(const std::string& what, const std::string& typed,
                            const std::vector<std::string>& names);
// Prints "pagewarden-cli: `message`" and the pointer to --help on standard error; gives 2,
// the exit status of wrong usage.
int UsageMistake(const std::string& message);
