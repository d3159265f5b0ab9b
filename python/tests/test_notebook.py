"""The teacher's notebook runs from top to bottom without an error."""

import os
from pathlib import Path

import nbclient
import nbformat

NOTEBOOK = Path(__file__).resolve().parents[2] / "examples" / "python" / "teacher.ipynb"


def test_teacher_notebook_runs(tmp_path):
    notebook = nbformat.read(NOTEBOOK, as_version=4)
    os.environ.setdefault("PYDEVD_DISABLE_FILE_VALIDATION", "1")
    os.environ["MPLBACKEND"] = "Agg"
    nbclient.NotebookClient(notebook, timeout=300, kernel_name="python3",
                            resources={"metadata": {"path": str(tmp_path)}}).execute()
    errors = [o for cell in notebook.cells for o in cell.get("outputs", [])
              if o.get("output_type") == "error"]
    assert not errors
