"""Question: how does the share of women at the top fall as the bias grows?

Thirteen biases from 0 to 6 score points (the window's "1%" is 2.01 and "5%"
is 4.58), 500 runs each with common seeds, in the Pyramid.

Reading bias.png: one line per level, the share of women after each run's
last period against the bias, with 95% bands. At bias 0 every level sits
near 0.5; the top levels fall fastest, because every promotion step applies
the bias again.
"""

import numpy as np

from common import level_lines, plt, save, velmora

result = velmora.sweep(vary={"bias_points": np.arange(0, 6.5, 0.5)}, runs=500, seed=1)
fig, ax = plt.subplots(figsize=(7, 4.5))
level_lines(ax, result.summary, "bias_points", "Share of women by level and bias")
ax.set_xlabel("bias on men's scores (points)")
ax.legend(ncol=2, fontsize="small", loc="lower left")
save(fig, "bias.png")
