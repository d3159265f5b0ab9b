"""Question: does a difference in the spread of scores matter more than a
difference in their mean?

Men's score deviation from 8 to 12 (women's stays 10), without any bias
(left panel) and with the window's "1%" bias of 2.01 points (right panel).
Promotion picks the best of each level, so it reads the upper tail: a wider
spread puts more men in it even when the means are equal.

Reading spread.png: in the left panel every difference from 0.5 comes from
the spread alone; compare its size with the right panel's shift at a
deviation of 10, which is the mean difference alone.
"""

from common import level_lines, plt, save, velmora

result = velmora.sweep(
    vary={"score_sd_men": [8, 9, 10, 11, 12], "bias_points": [0, 2.01]}, runs=300, seed=1
)
fig, axes = plt.subplots(1, 2, figsize=(11, 4.5), sharey=True)
for ax, (bias, summary) in zip(axes, result.summary.groupby("bias_points")):
    level_lines(ax, summary, "score_sd_men", "no bias" if bias == 0 else f"bias {bias} points")
    ax.set_xlabel("standard deviation of men's scores (women's: 10)")
axes[0].legend(ncol=2, fontsize="small", loc="lower left")
save(fig, "spread.png")
