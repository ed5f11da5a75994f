#!/usr/bin/env bash
# Builds the program without its desktop part under AddressSanitizer and
# UndefinedBehaviorSanitizer into build-asan/ (with the fuzzing harnesses' coverage
# instrumentation, so scripts/fuzz.sh can use the same build) and runs the unit and
# integration tests there, the fuzzing corpora's replays among them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g -O1"
cmake -S "$root" -B "$root/build-asan" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPAGEWARDEN_GUI=OFF -DPAGEWARDEN_BENCH=OFF -DPAGEWARDEN_FUZZ_COVERAGE=ON \
  "-DCMAKE_CXX_FLAGS=$flags" "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined" >/dev/null
cmake --build "$root/build-asan" -j2
if [ "${1:-}" = "--build-only" ]; then exit 0; fi
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd "$root/build-asan"
ctest -j2 -L 'unit|integration' --output-on-failure --timeout 600
