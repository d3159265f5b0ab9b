#!/usr/bin/env bash
# Installs, with apt-get, what building and running need on Debian 12; with
# --tests also what every test needs (the window driven under Xvfb, the
# package checks, a second compiler, the page in Chromium, the Python package).
#   scripts/install-deps.sh [--tests]
set -euo pipefail
packages=(
  g++ cmake make
  qt6-base-dev
  libcli11-dev nlohmann-json3-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libmpfr-dev  # the tests' reference for the model's logarithm and exponential
  fonts-liberation fonts-ipafont-gothic
  python3
  dpkg-dev file  # cpack -G DEB
)
if [ "${1:-}" = --tests ]; then
  packages+=(
    xvfb xdotool x11-utils imagemagick time
    groff-base man-db bash-completion appstream desktop-file-utils
    lintian
    clang  # the model and the batch tool built by a second compiler
    # The page in the browser: emscripten, and Chromium driven by selenium
    # for its tests; npm, for the charting library the page takes from npm,
    # from Debian unless a node of its own brings it.
    emscripten chromium chromium-driver python3-selenium
    # The Python package: building, running, its tests and examples.
    python3-dev pybind11-dev python3-numpy python3-pandas python3-tqdm
    python3-pytest python3-nbclient python3-nbformat python3-ipykernel python3-matplotlib
    python3-scipy python3-setuptools python3-venv
  )
  command -v npm >/dev/null || packages+=(npm)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
