"""Question: does lower turnover strengthen the effect of the bias?

Turnover from 0.05 to 0.30 per period, for the window's two biases (one
panel each), 300 runs per point. With low turnover people stay longer and
pass more promotion rounds, so the bias has more chances to act on them.

Reading turnover.png: the x axis is the turnover, one panel per bias;
compare how far the top level (darkest line) lies below 0.5 at the left and
at the right.
"""

from common import level_lines, plt, save, velmora

result = velmora.sweep(
    vary={"turnover": [0.05, 0.1, 0.15, 0.2, 0.25, 0.3], "bias_points": [2.01, 4.58]},
    runs=300, seed=1,
)
fig, axes = plt.subplots(1, 2, figsize=(11, 4.5), sharey=True)
for ax, (bias, summary) in zip(axes, result.summary.groupby("bias_points")):
    level_lines(ax, summary, "turnover", f"bias {bias} points")
    ax.set_xlabel("departure probability per period")
axes[0].legend(ncol=2, fontsize="small", loc="lower right")
save(fig, "turnover.png")
