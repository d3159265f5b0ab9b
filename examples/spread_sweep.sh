#!/usr/bin/env bash
# Question: does a difference in the spread of scores matter more than a
# difference in their mean?
#
# Men's score deviation from 8 to 12 (women's stays 10), without any bias
# (left panel) and with the window's "1%" bias of 2.01 points (right panel).
# Promotion picks the best of each level, so it reads the upper tail: a
# wider spread puts more men in it even when the means are equal.
#
# Reading plot.svg: in the left panel, every difference from 0.5 comes from
# the spread alone; compare its size with the right panel's shift at a
# deviation of 10, which is the mean difference alone.
set -euo pipefail
source "$(dirname "$0")/common.sh"
"$batch" --vary score-sd-men=8:12:1 --vary bias-points=0,2.01 --runs 300 --seed 1 \
    --out "$results/spread" -q
echo "wrote $results/spread"
