#!/usr/bin/env bash
# Question: does lower turnover strengthen the effect of the bias?
#
# Turnover from 0.05 to 0.30 per period, for the window's two biases (one
# panel each), 300 runs per point. With low turnover people stay longer and
# pass more promotion rounds, so the bias has more chances to act on them;
# runs also take longer, which is why this sweep has fewer runs.
#
# Reading plot.svg: the x axis is the turnover, one panel per bias; compare
# how far the top level (darkest line) lies below 0.5 at the left and right.
set -euo pipefail
source "$(dirname "$0")/common.sh"
"$batch" --vary turnover=0.05:0.3:0.05 --vary bias-points=2.01,4.58 --runs 300 --seed 1 \
    --out "$results/turnover" -q
echo "wrote $results/turnover"
