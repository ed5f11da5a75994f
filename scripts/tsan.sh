#!/usr/bin/env bash
# Builds the threaded parts' tests under ThreadSanitizer into build-tsan/ (no benchmarks;
# the desktop program only for its window tests) and runs the ones where threads meet:
# the engine's worker and the UI thread, stops that reach a running fetch, the watch list
# during checks (several engines at once among them), the display hand-off's worker, the
# link update's worker, events, queues and cancels, the actions on update sending to the
# UI thread, and the windows those threads report to.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
flags="-fsanitize=thread -g -O1"
cmake -S "$root" -B "$root/build-tsan" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPAGEWARDEN_GUI=ON -DPAGEWARDEN_BENCH=OFF \
  "-DCMAKE_CXX_FLAGS=$flags" "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread" >/dev/null
cmake --build "$root/build-tsan" -j2 --target check_tests watch_tests companion_tests \
  links_tests platform_tests session_tests fetch_tests gui_tests
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
"$root/build-tsan/tests/check_tests" --gtest_brief=1 \
  --gtest_filter='CheckStopTest.*:RenewTest.*:CheckCycleTest.*:ParallelCheckTest.*'
"$root/build-tsan/tests/watch_tests" --gtest_brief=1 --gtest_filter='DispatcherTest.*'
"$root/build-tsan/tests/companion_tests" --gtest_brief=1 --gtest_filter='HlpCallTest.*'
"$root/build-tsan/tests/links_tests" --gtest_brief=1 --gtest_filter='LinkListTest.*'
"$root/build-tsan/tests/platform_tests" --gtest_brief=1 \
  --gtest_filter='Event.*:LoopQueue.*:CancelSignal.*'
"$root/build-tsan/tests/session_tests" --gtest_brief=1 --gtest_filter='UpdateActionsTest.*:NotifyActionsTest.*'
"$root/build-tsan/tests/fetch_tests" --gtest_brief=1 --gtest_filter='BrowserSlots.*'
# The windows whose threads report to them, one suite on a virtual display of its own (as
# ctest runs them: keys typed into one test's window never reach another's). The desktop's
# own libraries are not instrumented: what they do among their threads is left out
# (scripts/tsan-gui.supp).
for suite in MailProgressWindow MainWindowWithList LinkUpdateDlgTest DesktopWalk \
  WatchListWindowPartsTest; do
  TSAN_OPTIONS="$TSAN_OPTIONS suppressions=$root/scripts/tsan-gui.supp" \
    "$root/tests/gui/on_virtual_display.sh" "$root/build-tsan/tests/gui/gui_tests" \
    --gtest_brief=1 --gtest_filter="$suite.*"
done
