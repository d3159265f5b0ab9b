#!/usr/bin/env bash
# Installs what is missing, builds the desktop program and the research tool
# (Release) and starts the window on the current X display.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-release -j"$(nproc)" --target velmora velmora-batch
echo "run.sh: built build-release/app/velmora and build-release/batch/velmora-batch" >&2
if [ -z "${DISPLAY:-}" ]; then
    cat >&2 <<'MSG'
run.sh: there is no X display (DISPLAY is not set), so the window has nowhere
to open. Run this from a terminal inside your desktop session. As root, keep the user's display, e.g.
  sudo --preserve-env=DISPLAY,XAUTHORITY bash scripts/run.sh
(Without a screen: Xvfb :99 & DISPLAY=:99 bash scripts/run.sh)
MSG
    exit 1
fi
exec build-release/app/velmora
