"""The program's own results for the examples, written by script mode into a
temporary folder once per test session; the tests compare the module with
them. Without the program (a build without Qt) those comparisons skip."""

import os
import shutil
import subprocess
from pathlib import Path

import numpy as np
import pytest

EXAMPLES = Path(os.environ.get("VARNOK_EXAMPLES", Path(__file__).resolve().parents[2] / "examples"))

STUDY = """answer file {name}.txt
Varnoksw('LoadData')
answer file {name}_groups.txt
Varnoksw('LoadGroupList')
answer file scores.txt
Varnoksw('SavePCA')
answer file eigenvalues.txt
Varnoksw('SaveEigen')
answer file shape_variables.txt
Varnoksw('SaveWarp')
answer file reference.txt
Varnoksw('SaveRef')
ShapeAnova
ShapeRegression
CanonicalVariates
FindOutliers
answer file stats.csv
ExportStatistics
"""


@pytest.fixture(scope="session")
def examples() -> Path:
    return EXAMPLES


class ProgramResults:
    def __init__(self, folder: Path):
        self.folder = folder

    def matrix(self, name: str) -> np.ndarray:
        return np.atleast_2d(np.loadtxt(self.folder / name))

    def statistics(self) -> list:
        lines = (self.folder / "stats.csv").read_text().splitlines()
        header = lines[0].split(",")
        return [dict(zip(header, line.split(","))) for line in lines[1:]]


@pytest.fixture(scope="session")
def program_results(tmp_path_factory):
    """program_results(name, files, script) runs script (default: the study
    of the example `name` with its groups) in script mode once, in a folder
    holding files (name -> text; default: the example's data and groups), and
    gives its result files."""
    program = os.environ.get("VARNOK_PROGRAM", "")
    if not program or not Path(program).exists():
        pytest.skip("the program is not built (VARNOK_PROGRAM): nothing to compare with")
    done = {}

    def run(name: str, files: dict = None, script: str = None) -> ProgramResults:
        if name not in done:
            folder = tmp_path_factory.mktemp(name)
            if files is None:
                for f in (f"{name}.txt", f"{name}_groups.txt"):
                    shutil.copy(EXAMPLES / f, folder / f)
            else:
                for f, text in files.items():
                    (folder / f).write_text(text)
            (folder / "study.vks").write_text(script or STUDY.format(name=name))
            env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
            r = subprocess.run(
                [program, "--script", str(folder / "study.vks")],
                env=env,
                capture_output=True,
                text=True,
                timeout=600,
            )
            assert r.returncode == 0, r.stdout + r.stderr
            done[name] = ProgramResults(folder)
        return done[name]

    return run
