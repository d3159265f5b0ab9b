"""Question: how many periods does an organisation need to recover once the
bias is removed?

The "5%" bias acts for 40 periods and is gone from period 40 on (men's
scores lose it, and no hire gets it); every run goes on to period 160, past
the point where all the first staff have left.

Reading recovery.png: left, the share of women per level over the periods,
the mean of 300 runs with its 95% band. The top levels sink during the first
40 periods and then climb back towards 0.5; the time they take is the
organisation's memory of the bias. Right, the top level when the bias ends
after 20, 40 or 80 periods.
"""

import numpy as np
from scipy import stats

from common import plt, save, velmora


def trajectories(trace, sizes, by):
    """Mean share of women per period with its 95% interval, by group."""
    trace = trace.merge(sizes, on="level")
    trace["share"] = trace["women"] / trace["size"]
    grouped = trace.groupby(by + ["period"])["share"]
    frame = grouped.agg(["mean", "std", "count"]).reset_index()
    half = stats.t.ppf(0.975, frame["count"] - 1) * frame["std"] / np.sqrt(frame["count"])
    frame["low"], frame["high"] = frame["mean"] - half, frame["mean"] + half
    return frame


result = velmora.run(bias_ends=40, periods=160, runs=300, seed=1, trace=True)
sizes = result.runs[["level", "size"]].drop_duplicates()
lines = trajectories(result.trace, sizes, ["level"])

sweep = velmora.sweep(vary={"bias_ends": [20, 40, 80]}, periods=160, runs=100, seed=1,
                      trace_periods=True)
trace = sweep.trace.merge(sweep.points[["point", "bias_ends"]], on="point")
top = trajectories(trace[trace["level"] == 8], sizes, ["bias_ends"])

fig, (left, right) = plt.subplots(1, 2, figsize=(12, 4.5), sharey=True)
colours = plt.cm.viridis_r(np.linspace(0.15, 1, 8))
for level, colour in zip(range(1, 9), colours):
    rows = lines[lines["level"] == level]
    left.fill_between(rows["period"], rows["low"], rows["high"], color=colour, alpha=0.2, linewidth=0)
    left.plot(rows["period"], rows["mean"], color=colour, label=f"level {level}")
left.axvline(40, color="black", linewidth=0.8, linestyle="--")
left.set_title("Bias removed from period 40 on")
left.legend(ncol=2, fontsize="small", loc="lower right")
for (ends, rows), colour in zip(top.groupby("bias_ends"), ["tab:orange", "tab:red", "tab:purple"]):
    right.fill_between(rows["period"], rows["low"], rows["high"], color=colour, alpha=0.2, linewidth=0)
    right.plot(rows["period"], rows["mean"], color=colour, label=f"bias ends at {ends}")
    right.axvline(ends, color=colour, linewidth=0.8, linestyle="--")
right.set_title("Top level, by when the bias ends")
right.legend(fontsize="small", loc="lower right")
for ax in (left, right):
    ax.axhline(0.5, color="grey", linewidth=0.8, linestyle=":")
    ax.set_xlabel("period")
    ax.set_ylim(0, 0.7)
left.set_ylabel("share of women")
save(fig, "recovery.png")
