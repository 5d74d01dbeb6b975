#!/usr/bin/env bash
# Builds plenvor and runs every test twice: in a Release build (the build users make) and in an
# AddressSanitizer + UndefinedBehaviorSanitizer build. Both treat compiler warnings as errors and
# insist on GoogleTest; the output checks and the real SDF exports come from ../shared.
set -euo pipefail
cd "$(dirname "$0")"
for need in ../shared/tools/shpcheck.py ../shared/tools/gdalcheck.py ../shared/samples/sdf; do
  if [ ! -e "$need" ]; then
    echo "test.sh: $need is missing: the tests need ../shared (samples/sdf and tools/) beside the checkout" >&2
    exit 1
  fi
done
# PLENVOR_JOBS bounds the build and test jobs where several builds share a machine.
jobs=${PLENVOR_JOBS:-$(nproc 2>/dev/null || echo 4)}
status=0
for kind in plain sanitize; do
  dir=build/$kind
  if [ "$kind" = sanitize ]; then
    # -O1 with line tables: the sanitizers' reports keep their file and line, and the build takes
    # half the time of -O2 with full debug information.
    options=(-DPLENVOR_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG")
  else
    options=(-DPLENVOR_SANITIZE=OFF -DCMAKE_BUILD_TYPE=Release)
  fi
  cmake -S . -B "$dir" "${options[@]}" -DPLENVOR_WERROR=ON -DPLENVOR_TESTS=ON >/dev/null
  cmake --build "$dir" -j"$jobs"
  echo "== tests: $kind build"
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir "$dir" -j"$jobs" --output-on-failure || status=1
done
exit $status
