#!/usr/bin/env bash
# Sets up, builds and runs every test: the release build with its unit tests
# and benchmarks, the sanitizer build, the fuzzers, the Windows cross build,
# the web build with its unit tests in node, the end-to-end runs on the
# desktop and in headless Chromium, and the packages. Prints how long each
# stage took.
set -euo pipefail
cd -- "$(dirname -- "$0")/.."
root=$(pwd)
jobs=$(nproc 2>/dev/null || echo 2)
fuzz_runs=${VORN_FUZZ_RUNS:-1000000}
fuzz_seconds=${VORN_FUZZ_SECONDS:-300}

declare -a stage_names=() stage_times=()
stage() {
  local name=$1; shift
  local t0=$SECONDS
  echo "=== $name"
  "$@"
  stage_names+=("$name"); stage_times+=($((SECONDS - t0)))
  echo "=== $name: $((SECONDS - t0)) s"
}
summary() {
  echo "=== stage times"
  for i in "${!stage_names[@]}"; do printf '  %-28s %5d s\n' "${stage_names[$i]}" "${stage_times[$i]}"; done
}
trap summary EXIT

deps() { bash scripts/deps.sh test; }

build_release() {
  cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build/release -j "$jobs"
}
# Every CTest run adds its count to the closing line.
passed=0
count_ctest() {
  local log; log=$(mktemp)
  ctest "$@" 2>&1 | tee "$log"
  local rc=${PIPESTATUS[0]}
  local n; n=$(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -n 1)
  rm -f "$log"
  [ "$rc" -eq 0 ] || return "$rc"
  passed=$((passed + ${n:-0}))
}
test_release() { count_ctest --test-dir build/release --output-on-failure -j "$jobs" --timeout 600; }

bench() {
  local any=0
  for b in build/release/bench_*; do
    [ -x "$b" ] || continue
    any=1
    echo "--- $(basename "$b")"
    "$b" --benchmark_min_time=0.2 --benchmark_counters_tabular=true
  done
  [ $any -eq 1 ] || echo "no benchmarks built"
}

build_sanitize() {
  cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=Debug -DVORN_SANITIZE=address,undefined -DVORN_BENCH=OFF >/dev/null
  cmake --build build/sanitize -j "$jobs"
}
# A path as the value of a sanitizer option: the runtime splits the options
# at blanks, colons and commas, and takes a quoted value whole.
sanitizer_path() {
  case $1 in
    *\'*) printf '"%s"' "$1" ;;
    *) printf "'%s'" "$1" ;;
  esac
}
test_sanitize() {
  ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    LSAN_OPTIONS="suppressions=$(sanitizer_path "$root/tests/lsan.supp")" \
    count_ctest --test-dir build/sanitize --output-on-failure -j "$jobs" --timeout 900
}

# Every fuzz target runs until it has tried VORN_FUZZ_RUNS inputs of up to
# 1 MiB (or VORN_FUZZ_SECONDS have passed), one target per core at a time.
fuzz_one() {
  local f=$1 name; name=$(basename "$f")
  local work; work=$(mktemp -d)
  local rc=0
  ASAN_OPTIONS=halt_on_error=1 UBSAN_OPTIONS=halt_on_error=1 \
    "$f" -runs="$fuzz_runs" -max_total_time="$fuzz_seconds" -max_len=1048576 -print_final_stats=1 \
    -artifact_prefix=build/fuzz/"$name"- "$work" "$root/tests/corpus/${name#fuzz_}" >"build/fuzz/$name.log" 2>&1 || rc=$?
  rm -rf "$work"
  return $rc
}
fuzz() {
  CC=clang CXX=clang++ cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=Debug -DVORN_FUZZ=ON \
    -DVORN_TESTS=OFF -DVORN_EDITOR=OFF >/dev/null
  cmake --build build/fuzz -j "$jobs"
  local targets=() pids=() failed=0
  for f in build/fuzz/fuzz_*; do [ -x "$f" ] && [ -f "$f" ] && targets+=("$f"); done
  [ ${#targets[@]} -gt 0 ] || { echo "no fuzz targets built"; return 0; }
  for f in "${targets[@]}"; do
    while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do sleep 1; done
    echo "--- $(basename "$f"): $fuzz_runs runs, at most ${fuzz_seconds}s"
    fuzz_one "$f" & pids+=($!)
  done
  for i in "${!targets[@]}"; do
    local name; name=$(basename "${targets[$i]}")
    wait "${pids[$i]}" || { failed=1; echo "--- $name FAILED"; tail -n 40 "build/fuzz/$name.log"; }
    local runs rate
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "build/fuzz/$name.log")
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "build/fuzz/$name.log")
    echo "--- $name: ${runs:-?} runs, ${rate:-?} exec/s"
    if [ "${runs:-0}" -lt "$fuzz_runs" ]; then echo "    (stopped by the time limit before $fuzz_runs runs)"; fi
  done
  return $failed
}

build_windows() {
  [ -f cmake/mingw-w64-x86_64.cmake ] || { echo "no Windows toolchain yet"; return 0; }
  cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build/windows -j "$jobs"
}

# The web version (emscripten): the editor built in build/web-build and its
# page's files alone in build/web (scripts/web-page.sh), the core's unit
# tests and timing loop in build/web-tests. At most two compile jobs:
# emscripten's compiler is heavy on memory.
web_jobs=$(( jobs < 2 ? jobs : 2 ))
build_web() {
  export NODE_PATH=/usr/share/nodejs
  bash scripts/web-page.sh
  emcmake cmake -S . -B build/web-tests -DCMAKE_BUILD_TYPE=Release -DVORN_EDITOR=OFF >/dev/null
  cmake --build build/web-tests -j "$web_jobs"
}
test_web() {
  count_ctest --test-dir build/web-tests --output-on-failure --timeout 900
  echo "--- core timing loop, native then wasm in node"
  build/release/core_timing
  node --no-experimental-fetch build/web-tests/core_timing.js
}
# The web page in headless Chromium (the system's, driven by playwright-core
# from npm, no browser download), then its figures.
e2e_web() {
  (cd e2e/web && npm ci --no-audit --no-fund --loglevel=error)
  node e2e/web/run.js --web build/web --art build/web-build --expect build/release/e2e_expect \
    --work build/e2e-artifacts/web
  passed=$((passed + 1))
  node e2e/web/run.js --figures --web build/web --art build/web-build --work build/e2e-artifacts/web
  echo "--- download size (gzip -9): every file of the page"
  local total=0 f n
  for f in build/web/*; do
    n=$(gzip -9c <"$f" | wc -c)
    printf '  %-24s %8d bytes\n' "${f#build/web/}" "$n"
    total=$((total + n))
  done
  printf '  %-24s %8d bytes\n' total "$total"
}

e2e() {
  [ -x e2e/run ] || { echo "no end-to-end runs yet"; return 0; }
  e2e/run
  passed=$((passed + 4))  # its four checking stages (figures only reports); a failure stops the script above
}

# The packages from the builds above; lintian on the Debian package; the
# package unpacked and started, the installer run under Wine (e2e/packages.py).
packages() {
  bash scripts/package.sh --linux-build build/release --windows-build build/windows
  lintian --fail-on error,warning build/packages/*.deb
  e2e/run deb nsis
  passed=$((passed + 3))
}

stage deps deps
stage "build (release)" build_release
stage "unit tests (release)" test_release
stage benchmarks bench
stage "build (asan+ubsan)" build_sanitize
stage "unit tests (asan+ubsan)" test_sanitize
stage "fuzz" fuzz
stage "build (windows)" build_windows
stage "build (web)" build_web
stage "unit tests (web, node)" test_web
stage "end to end" e2e
stage "end to end (web)" e2e_web
stage packages packages

echo "all stages: $passed passed, 0 failed"
