#!/usr/bin/env bash
# Builds every preset and runs the host suites: plain, ASan+UBSan, TSan.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh

jobs=$(nproc)
for preset in host host-asan host-tsan windows; do
  echo "== build $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
for preset in host host-asan host-tsan; do
  echo "== test $preset"
  ctest --preset "$preset" -j "$jobs"
done
