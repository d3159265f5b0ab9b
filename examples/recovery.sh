#!/usr/bin/env bash
# Question: how many periods does an organisation need to recover once the
# bias is removed?
#
# The "5%" bias acts for 40 periods and is gone from period 40 on (men's
# recorded scores lose it, and no hire gets it); every run goes on to
# period 160, past the point where all the first staff have left.
#
# Reading recovery.svg: the share of women per level over the periods. The
# top levels sink during the first 40 periods and then climb back towards
# 0.5; the time they take is the organisation's memory of the bias.
#
# Reading recovery/trajectory.svg: the same question for a bias that ends
# after 20, 40 or 80 periods, one line per ending and one panel per level,
# the top level first. The longer the bias lasts, the deeper the top levels
# sink and the later they recover; the lower levels barely move. The folder
# holds the curves as numbers (trajectory.csv: per point, period and level
# the mean share with its 95% interval) and every run period by period
# (trace.csv, long form) for your own analysis.
set -euo pipefail
source "$(dirname "$0")/common.sh"
"$batch" --bias-ends 40 --periods 160 --runs 300 --seed 1 --plot "$results/recovery.svg" -q \
    > "$results/recovery.txt"
"$batch" --vary bias-ends=20,40,80 --periods 160 --runs 50 --seed 1 --trace-periods \
    --out "$results/recovery" -q
echo "wrote $results/recovery.svg and $results/recovery (trajectory.svg, trajectory.csv)"
