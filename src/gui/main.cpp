#include "gui/app/watch_app.h"
#include "platform/clock.h"

int main(int argc, char** argv) {
  platform::NameSystemTimeZone();
  return RunDesktop(argc, argv);
}
