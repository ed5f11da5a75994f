#include "cli/cli_main.h"
#include "platform/clock.h"

int main(int argc, char** argv) {
  platform::NameSystemTimeZone();
  return RunCli(argc, argv);
}
