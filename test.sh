#!/usr/bin/env bash
# Builds plenvor and runs every test twice: in a plain build and in an AddressSanitizer +
# UndefinedBehaviorSanitizer build.
set -euo pipefail
cd "$(dirname "$0")"
jobs=$(nproc 2>/dev/null || echo 4)
status=0
for kind in plain sanitize; do
  dir=build/$kind
  flag=OFF; [ "$kind" = sanitize ] && flag=ON
  cmake -S . -B "$dir" -DPLENVOR_SANITIZE=$flag -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$dir" -j"$jobs"
  echo "== tests: $kind build"
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir "$dir" -j"$jobs" --output-on-failure || status=1
done
exit $status
