#!/usr/bin/env bash
# Builds the classroom page with emscripten: build-web/velmora.html, one file
# that opens from a double click, and build-web/velmora/, the same for a web
# host. With the path of a native velmora-batch, also sets up the page's
# tests against it (ctest --test-dir build-web). Prints the single file's
# path as its last line.
#   scripts/web.sh [build-dir] [velmora-batch]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-web}
batch=${2:-}

# Debian's emscripten runs on node and needs Debian's node modules, which
# another node on PATH does not search.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
# The charting library, from npm, exactly as the lock file has it.
if [ ! -f web/node_modules/.package-lock.json ] || [ web/package-lock.json -nt web/node_modules/.package-lock.json ]; then
    (cd web && npm ci --no-audit --no-fund --loglevel=error >&2)
fi
args=()
[ -n "$batch" ] && args+=("-DVELMORA_BATCH_EXECUTABLE=$(realpath "$batch")")
emcmake cmake -S web -B "$build" "${args[@]}" >&2
cmake --build "$build" -j"$(nproc)" >&2
realpath "$build/velmora.html"
