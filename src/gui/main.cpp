#include "gui/app/watch_app.h"

int main(int argc, char** argv) { return RunDesktop(argc, argv); }
