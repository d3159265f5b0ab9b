#!/usr/bin/env bash
# The long check of the model's exponential, run by hand (CTest runs a 10^6
# sample): 10^8 inputs against MPFR, by class (the turnover slope's logits,
# |x| < 1, tiny, the whole range, subnormal results, any double), plus the
# bounds of overflow and underflow, every integer in range and the midpoints
# between the reduction's steps.
# Usage: scripts/verify-exp.sh [build-dir] [samples]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-verify}
samples=${2:-100000000}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELMORA_GUI=OFF -DVELMORA_BATCH=OFF \
    -DVELMORA_BENCH=OFF >/dev/null
fi
cmake --build "$build" -j2 --target exponential_verify >/dev/null
echo "== $samples sampled inputs against MPFR"
"$build/tests/model/exponential_verify" "$samples"
