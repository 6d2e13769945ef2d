#!/usr/bin/env bash
# Runs every test against an existing build: the core tests, the GUI tests
# under Xvfb, and short smoke runs of the fuzz targets (clang build).
# Usage: tools/run-tests.sh BUILD_DIR FUZZ_BUILD_DIR
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
fuzzbuild=${2:-$here/build-fuzz}
# The fuzz runs work inside the fuzz build folder: relative folders given on
# the command line are made absolute first.
mkdir -p "$fuzzbuild" && fuzzbuild=$(cd "$fuzzbuild" && pwd)
jobs=$(nproc 2>/dev/null || echo 2)
fuzz_seconds=${PLOTVANE_FUZZ_SECONDS:-20}
status=0

# Services some tests talk to (a CUPS daemon for the raw-queue tests).
if [ -x "$here/tools/start-services.sh" ]; then
  "$here/tools/start-services.sh" || echo "warning: services did not start"
fi

echo "== core tests"
(cd "$build" && ctest -L core -j "$jobs" --output-on-failure --timeout 300) || status=1

if [ -x "$build/gui_tests" ]; then
  echo "== GUI tests (Xvfb)"
  (cd "$build" && GDK_BACKEND=x11 LIBGL_ALWAYS_SOFTWARE=1 NO_AT_BRIDGE=1 \
     xvfb-run -a -s "-screen 0 1280x1024x24" \
     ctest -L gui --output-on-failure --timeout 900) || status=1
fi

echo "== translation catalogs"
"$here/tools/check-catalogs.sh" || status=1

echo "== fuzz targets (clang, ${fuzz_seconds}s each)"
if command -v clang++ >/dev/null 2>&1; then
  CC=clang CXX=clang++ cmake -S "$here" -B "$fuzzbuild" -DPLOTVANE_FUZZ=ON \
    -DPLOTVANE_GUI=OFF -DPLOTVANE_TESTS=OFF -DPLOTVANE_BENCH=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null &&
    cmake --build "$fuzzbuild" -j "$jobs" >/dev/null || { echo "fuzz build failed"; status=1; }
  fuzz_pass=0; fuzz_fail=0
  for target in "$fuzzbuild"/fuzz_*; do
    [ -x "$target" ] || continue
    name=$(basename "$target")
    corpus="$fuzzbuild/corpus-$name"
    mkdir -p "$corpus"
    seeds="$here/fuzz/seeds/${name#fuzz_}"
    [ -d "$seeds" ] || seeds=""
    if (cd "$fuzzbuild" && "$target" -max_total_time="$fuzz_seconds" -timeout=10 \
          -rss_limit_mb=2048 -max_len=65536 "$corpus" $seeds >"$fuzzbuild/$name.log" 2>&1); then
      echo "fuzz $name: ok ($(grep -c '' "$fuzzbuild/$name.log") log lines)"
      fuzz_pass=$((fuzz_pass + 1))
    else
      echo "fuzz $name: FAILED"; tail -40 "$fuzzbuild/$name.log"
      fuzz_fail=$((fuzz_fail + 1)); status=1
    fi
  done
  echo "fuzz: $fuzz_pass passed, $fuzz_fail failed"
else
  echo "clang++ missing: fuzz targets not built"; status=1
fi

if [ -x "$build/plotvane_bench" ]; then
  echo "== benchmarks build (not run here; see README)"
fi
exit $status
