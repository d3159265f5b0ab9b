#!/usr/bin/env bash
# The long check of the model's logarithm, run by hand (CTest runs a 10^6 sample):
#   1. 10^8 inputs against MPFR, by class (uniform, the polar method's own,
#      next to 1, subnormal and tiny, any positive double), plus every power of
#      two and the known hardest case;
#   2. every input, among N polar-method s values and N uniform doubles in
#      (0, 1), on which the C library's FMA and non-FMA logs disagree, against
#      MPFR. glibc picks its variant at run time; the tunable turns FMA off.
# Usage: scripts/verify-log.sh [build-dir] [samples] [N]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-verify}
samples=${2:-100000000}
n=${3:-100000000}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELMORA_GUI=OFF -DVELMORA_BATCH=OFF \
    -DVELMORA_BENCH=OFF >/dev/null
fi
cmake --build "$build" -j2 --target natural_log_verify >/dev/null
verify=$build/tests/model/natural_log_verify
variants=$build/libm-log-variants
g++ -std=c++20 -O2 -ffp-contract=off scripts/libm-log-variants.cpp -o "$variants"

echo "== $samples sampled inputs against MPFR"
"$verify" "$samples"

echo "== inputs where glibc's FMA and non-FMA log disagree ($n polar + $n uniform)"
disagree=$build/log-libm-disagreements.txt
cmp -l <("$variants" values "$n") <(GLIBC_TUNABLES=glibc.cpu.hwcaps=-AVX2,-FMA "$variants" values "$n") |
  "$variants" select "$n" >"$disagree" || true
echo "$(wc -l <"$disagree") of $((2 * n)) inputs disagree; listed in $disagree"
"$verify" --inputs "$disagree"
