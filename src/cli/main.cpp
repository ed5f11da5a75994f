#include "cli/cli_main.h"

int main(int argc, char** argv) { return RunCli(argc, argv); }
