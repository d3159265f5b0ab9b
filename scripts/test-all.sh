#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test twice: in a
# Release build and in an AddressSanitizer + UndefinedBehaviorSanitizer build;
# last, the model and the batch tool built with clang and checked against the
# Release build's traces.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --tests
jobs=$(nproc)

build_and_test() {
  local dir=$1; shift
  cmake -S . -B "$dir" "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
  ctest --test-dir "$dir" --output-on-failure -j"$jobs"
}

# The Python package is built and tested (ctest -L python) in the Release
# build, with Debian's interpreter: the python3 first on PATH may be another.
python_options=(-DVELMORA_PYTHON=ON -DPython3_EXECUTABLE=/usr/bin/python3)
build_and_test build-release -DCMAKE_BUILD_TYPE=Release "${python_options[@]}"
build_and_test build-sanitize -DCMAKE_BUILD_TYPE=Debug -DVELMORA_SANITIZE=ON -DVELMORA_BENCH=OFF

# clang: the model and the batch tool built by another compiler, warning-free,
# with the model's tests and the trace tests, and byte for byte the traces of
# the GCC build above, on both vector paths.
build_and_test_clang() {
  CC=clang CXX=clang++ cmake -S . -B build-clang -DCMAKE_BUILD_TYPE=Release -DVELMORA_GUI=OFF \
    -DVELMORA_BENCH=OFF >/dev/null
  cmake --build build-clang -j"$jobs" --target velmora-batch model_tests research_tests
  ctest --test-dir build-clang --output-on-failure -j"$jobs" -R '^(Draws|NaturalLogs|Departures|FastRanking|SortDistinct|KeepOccupied|Reproducibility|Factors|RunInvariants|Trace)\.'
  bash scripts/compare-traces.sh build-release/batch/velmora-batch build-clang/batch/velmora-batch
  VELMORA_NO_WIDE_VECTORS=1 bash scripts/compare-traces.sh build-release/batch/velmora-batch \
    build-clang/batch/velmora-batch 10
}
build_and_test_clang

# The page in the browser: built with emscripten, its traces checked under
# node and in headless Chromium against the release build's command line.
bash scripts/web.sh build-web build-release/batch/velmora-batch >/dev/null
ctest --test-dir build-web --output-on-failure
