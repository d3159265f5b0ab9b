"""Shared by the Python examples: velmora from the installed package, else
from this checkout's Release build; the results folder from the command line."""

import sys
from pathlib import Path

try:
    import velmora
except ImportError:
    sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "build-release" / "python"))
    import velmora

import matplotlib

matplotlib.use("Agg")  # the figures go to files
import matplotlib.pyplot as plt

__all__ = ["RESULTS", "level_lines", "plt", "save", "velmora"]

RESULTS = Path(sys.argv[1] if len(sys.argv) > 1 else "results")
RESULTS.mkdir(parents=True, exist_ok=True)


def level_lines(ax, summary, x, title=None):
    """One line per level (share of women against x) with its 95% band; the
    top level darkest."""
    levels = sorted(summary["level"].unique())
    colours = plt.cm.viridis_r([0.15 + 0.85 * i / max(1, len(levels) - 1) for i in range(len(levels))])
    for level, colour in zip(levels, colours):
        rows = summary[summary["level"] == level].sort_values(x)
        ax.fill_between(rows[x], rows["women_ci95_low"], rows["women_ci95_high"], color=colour,
                        alpha=0.2, linewidth=0)
        ax.plot(rows[x], rows["women_mean"], color=colour, label=f"level {level}")
    ax.axhline(0.5, color="grey", linewidth=0.8, linestyle=":")
    ax.set_ylabel("share of women after the run")
    ax.set_ylim(0, max(0.7, summary["women_ci95_high"].max() + 0.03))
    if title:
        ax.set_title(title)


def save(fig, name):
    path = RESULTS / name
    fig.savefig(path, dpi=110, bbox_inches="tight")
    plt.close(fig)
    print(f"wrote {path}")
