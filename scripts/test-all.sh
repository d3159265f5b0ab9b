#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test twice: in a
# Release build and in an AddressSanitizer + UndefinedBehaviorSanitizer build.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs=$(nproc)

build_and_test() {
  local dir=$1; shift
  cmake -S . -B "$dir" "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
  ctest --test-dir "$dir" --output-on-failure -j"$jobs"
}

build_and_test build-release -DCMAKE_BUILD_TYPE=Release
build_and_test build-sanitize -DCMAKE_BUILD_TYPE=Debug -DVELMORA_SANITIZE=ON -DVELMORA_BENCH=OFF

# The page in the browser: built with emscripten, its traces checked under
# node and in headless Chromium against the release build's command line.
bash scripts/web.sh build-web build-release/batch/velmora-batch >/dev/null
ctest --test-dir build-web --output-on-failure
