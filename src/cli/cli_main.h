// The headless front end: parses the command line and runs the command.
#pragma once

// Exit status: 0 done, 1 the work failed, 2 bad arguments, 3 (check) a check failed.
int RunCli(int argc, char** argv);
