#!/usr/bin/env bash
# Makes the pictures the README and the AppStream entry show:
#   docs/images/window.png  the real window under Xvfb after a whole run at
#                           full speed (the end-to-end run keeps its picture);
#   docs/images/sweep.svg   the plot of a sweep from examples/, once there is one.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --tests
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-release -j"$(nproc)" --target velmora velmora-batch
mkdir -p docs/images

# Step 1: the window.
E2E_SHOT=docs/images/window.png bash scripts/e2e-run.sh build-release/app/velmora 1
echo "screenshots: docs/images/window.png"

# Step 2: a sweep's plot. The first examples/*sweep*.sh is run in a scratch
# folder, given as its argument, with VELMORA_BATCH naming the program; the
# first .svg it leaves there is the picture. Skipped while examples/ has none.
sweep=""
[ -d examples ] && sweep=$(find examples -maxdepth 1 -name '*sweep*.sh' | sort | head -n1)
if [ -z "$sweep" ]; then
    echo "screenshots: no examples/*sweep*.sh yet; docs/images/sweep.svg not made" >&2
    exit 0
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
(cd "$out" && VELMORA_BATCH=$OLDPWD/build-release/batch/velmora-batch bash "$OLDPWD/$sweep" "$out")
plot=$(find "$out" -name '*.svg' | sort | head -n1)
[ -n "$plot" ] || { echo "screenshots: $sweep left no .svg in its folder" >&2; exit 1; }
cp "$plot" docs/images/sweep.svg
echo "screenshots: docs/images/sweep.svg from $sweep"
