#!/usr/bin/env bash
# Builds plenvor and runs every test in three stages: a Release build (the build users make), an
# AddressSanitizer + UndefinedBehaviorSanitizer build, and a Windows build cross-compiled with
# mingw-w64, whose unit tests run under wine and whose conversions of the example and of every
# sample must equal the Release build's byte for byte. Every build treats compiler warnings as
# errors and insists on GoogleTest; the output checks and the real SDF exports come from ../shared.
# The Windows stage runs where the cross compiler and wine are present; in CI (CI set, as .ci/run
# sets it) a missing tool fails the run instead.
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
stage_times=()

for kind in plain sanitize; do
  start=$SECONDS
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
  stage_times+=("$kind $((SECONDS - start)) s")
done

# The Windows stage.
start=$SECONDS
missing=()
command -v x86_64-w64-mingw32-g++-posix >/dev/null || missing+=("x86_64-w64-mingw32-g++-posix (g++-mingw-w64-x86-64-posix)")
{ command -v wine || command -v wine64; } >/dev/null || missing+=("wine (wine, wine64)")
command -v wineserver >/dev/null || missing+=("wineserver (wine)")
if [ ${#missing[@]} -gt 0 ]; then
  case ${CI:-} in
    "" | false | 0)
      echo "== windows build: skipped, missing ${missing[*]}"
      stage_times+=("windows skipped") ;;
    *)
      echo "test.sh: the Windows stage needs ${missing[*]}" >&2
      status=1 ;;
  esac
else
  dir=build/windows
  # The build's own wine prefix, made anew for every run and never the user's ~/.wine, with one
  # wine server that lives until the end of the run: every program starts at once, and no run
  # starts while a server is going away. The prefix is made while the build compiles, with its
  # console in a file, so that the server and the programs it leaves running hold no test's output.
  prefix=$PWD/$dir/wine
  [ -d "$prefix" ] && { WINEPREFIX=$prefix wineserver -k 2>/dev/null || true; }
  rm -rf "$prefix"
  mkdir -p "$prefix"
  WINEPREFIX=$prefix wineserver -p </dev/null >"$dir/wine.log" 2>&1
  trap 'WINEPREFIX=$prefix wineserver -k 2>/dev/null || true' EXIT
  timeout 600 tests/windows/wine_run.sh "$prefix" wineboot --init </dev/null >>"$dir/wine.log" 2>&1 &
  booting=$!
  cmake -S . -B "$dir" "-DCMAKE_TOOLCHAIN_FILE=$PWD/cmake/mingw-w64-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release -DPLENVOR_WERROR=ON \
    -DPLENVOR_TESTS=ON "-DCMAKE_CROSSCOMPILING_EMULATOR=$PWD/tests/windows/wine_run.sh;$prefix" >/dev/null
  cmake --build "$dir" -j"$jobs"
  if ! wait "$booting"; then
    echo "test.sh: the wine prefix $prefix could not be made:" >&2
    cat "$dir/wine.log" >&2
    exit 1
  fi
  echo "== tests: windows build, under wine"
  ctest --test-dir "$dir" -j"$jobs" --timeout 600 --output-on-failure || status=1
  echo "== windows build against the plain build"
  /usr/bin/python3 tests/windows/compare.py build/plain/plenvor "$dir/plenvor.exe" "$prefix" "$dir/compare" \
    --jobs "$jobs" || status=1
  stage_times+=("windows $((SECONDS - start)) s")
fi
printf -v times '%s, ' "${stage_times[@]}"
echo "== times: ${times%, }"
exit $status
