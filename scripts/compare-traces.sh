#!/usr/bin/env bash
# Whether two builds of velmora-batch (another compiler, another machine,
# before and after a change) give the same traces, byte for byte: the seeds
# of the model's golden runs and factor sets that take every kind of
# departure, promotion, hiring and sort, the turnover slope's exact
# fallback included. Set VELMORA_NO_WIDE_VECTORS=1 to compare the portable
# paths. Exits with 1 on the first difference.
# Usage: scripts/compare-traces.sh BATCH_A BATCH_B [runs]
set -euo pipefail
a=$1
b=$2
runs=${3:-40}
sets=(
  "--seed 20261208"
  "--seed 4294967295 --form rectangle --bias 1"
  "--seed 20240601 --score-sd-men 11 --turnover-women 0.2 --turnover-slope 0.5 --women-hired 0.45 --external-hires 0.1"
  "--seed 7 --form rectangle --score-sd-men 11 --turnover-women 0.2 --turnover-slope 0.5 --women-hired 0.45 --external-hires 0.1"
  "--seed 11 --turnover-slope 1.5 --score-sd-women 8 --bias-ends 10 --women-initial 0.3"
  "--seed 3 --turnover-women 1 --turnover-slope -2 --max-periods 60"
  "--seed 5 --turnover-slope 40 --score-sd-men 300 --score-sd-women 200 --max-periods 30"
  "--seed 9 --external-hires 0.3 --bias-ends 10 --levels 300,4,4,4,300 --max-periods 60"
  "--seed 13 --score-sd-men 0 --score-sd-women 0 --bias-points 0 --max-periods 40"
)
for args in "${sets[@]}"; do
  # shellcheck disable=SC2086 # the factor sets are word lists
  if ! cmp -s <("$a" $args --runs "$runs" --trace - -q 2>/dev/null) \
    <("$b" $args --runs "$runs" --trace - -q 2>/dev/null); then
    echo "traces differ: $args" >&2
    exit 1
  fi
  echo "same traces: $args"
done
