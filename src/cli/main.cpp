#include <cstdlib>

#include "cli/cli_main.h"

int main(int argc, char** argv) {
  // The system's zone, named explicitly: without TZ the C library looks at /etc/localtime
  // again at every calendar conversion, and the scheduler makes thousands of them.
  setenv("TZ", ":/etc/localtime", 0);
  return RunCli(argc, argv);
}
