import os
import pathlib
import subprocess

import pytest

GOLDEN = pathlib.Path(os.environ.get("QUARRY_GOLDEN_DIR", pathlib.Path(__file__).parents[1] / "golden"))


@pytest.fixture
def cli():
    """Runs quarry-parse (the build's, named by ctest) in a directory."""
    binary = os.environ.get("QUARRY_PARSE_BIN")
    if not binary:
        pytest.fail("QUARRY_PARSE_BIN is not set: run the tests through ctest")

    def run(args, cwd):
        return subprocess.run([binary, *args], cwd=cwd, capture_output=True, text=True, check=False)

    return run


@pytest.fixture
def deck(tmp_path):
    """A deck with a section include, a nested include found beside its
    includer, the same file read again for another section, and a file name
    with a blank; the current directory is the deck's."""
    files = {
        "top.kvx": "top\n.INCLUDE 'parts.inc' SECTION=TT\n.lib lib/models.inc\n"
        ".inc 'parts.inc' SECTION=ff\n.INCLUDE 'my cells.inc'\n.END\n",
        "parts.inc": ".SECTION tt\nR1 p q 1\n.ENDSECTION\n.SECTION ff\nR2 p q 2\n.ENDSECTION\n",
        "lib/models.inc": ".include 'leaf.inc'\n",
        "lib/leaf.inc": "C1 x 0 1p\n",
        "my cells.inc": "R3 a b 3\n",
    }
    for name, text in files.items():
        (tmp_path / name).parent.mkdir(parents=True, exist_ok=True)
        (tmp_path / name).write_text(text)
    old = os.getcwd()
    os.chdir(tmp_path)
    yield tmp_path
    os.chdir(old)
