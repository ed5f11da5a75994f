#!/usr/bin/env bash
# Fuzzes the program's readers: builds the harnesses with coverage instrumentation and
# the sanitizers (build-asan/, as scripts/sanitizers.sh does), then runs each harness for
# SECONDS on its corpus in tests/fuzz/corpus/NAME, adding what reaches new code. An input
# that crashes is left as tests/fuzz/corpus/crash-*; turn it into a corpus file once fixed.
#
#   scripts/fuzz.sh [SECONDS] [NAME...]     default 60 seconds, every harness
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  mapfile -t names < <(cd "$root/tests/fuzz" && ls fuzz_*.cpp | sed -e 's/^fuzz_//' -e 's/\.cpp$//' | grep -v '^driver$')
fi
"$root/scripts/sanitizers.sh" --build-only
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
for name in "${names[@]}"; do
  echo "== $name"
  "$root/build-asan/tests/fuzz/fuzz_$name" --fuzz "$root/tests/fuzz/corpus/$name" "$seconds"
done
