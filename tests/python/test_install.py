"""Installing the product as users do: pip into a fresh virtual environment,
and cmake --install into a prefix; then each is used from outside the source
tree with no help from the environment. mypy reads the package's stubs."""
import json
import os
import pathlib
import shutil
import subprocess
import sys
import textwrap

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]
DEMO = ROOT / "examples" / "demo.kvx"
SKY130 = pathlib.Path(os.environ.get("KORVEX3_CORPUS", ROOT.parent / "shared" / "corpus")) / \
    "sky130" / "models" / "corners" / "tt.spice"


def cli_bin():
    binary = os.environ.get("QUARRY_PARSE_BIN")
    if not binary:
        pytest.fail("QUARRY_PARSE_BIN is not set: run the tests through ctest")
    return pathlib.Path(binary)


def bare_env(**extra):
    """An environment without PYTHONPATH, QUARRY_PLUGIN or the like."""
    return {"PATH": "/usr/bin:/bin", "HOME": os.environ.get("HOME", "/tmp"), "LANG": "C.UTF-8", **extra}


def run(args, **kwargs):
    return subprocess.run([str(a) for a in args], capture_output=True, text=True, **kwargs)


def cli_json(args, cwd):
    out = run([cli_bin(), "--format", "json", *args], cwd=cwd)
    assert out.returncode in (0, 1), out.stderr
    return out.stdout.rstrip("\n")


USE_PACKAGE = textwrap.dedent("""
    import json, sys
    import quarry_korvex3 as qk
    demo, sky130 = sys.argv[1], sys.argv[2]
    out = {"file": qk.__file__, "version": qk.__version__, "demo": qk.parse(demo).to_json()}
    if sky130:
        out["sky130"] = qk.parse(sky130, as_include=True).to_json()
    print(json.dumps(out))
""")


def use_package(python, cwd, env):
    sky130 = str(SKY130) if SKY130.exists() else ""
    out = run([python, "-c", USE_PACKAGE, DEMO, sky130], cwd=cwd, env=env)
    assert out.returncode == 0, out.stderr
    return json.loads(out.stdout)


def test_pip_installs_a_package_that_works_outside_the_source_tree(tmp_path):
    venv = tmp_path / "venv"
    # Debian's setuptools and wheel build the package: nothing is downloaded.
    assert run([sys.executable, "-m", "venv", "--system-site-packages", venv]).returncode == 0
    python = venv / "bin" / "python"
    cmake_tree = tmp_path / "cmake-build"
    env = bare_env(QUARRY_KORVEX3_BUILD_DIR=str(cmake_tree),
                   CMAKE_BUILD_PARALLEL_LEVEL=os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL", "2"))
    install = run([python, "-m", "pip", "install", "--no-build-isolation", "--no-index", "--no-deps", ROOT],
                  cwd=tmp_path, env=env, timeout=1800)
    assert install.returncode == 0, install.stdout[-3000:] + install.stderr[-3000:]
    shutil.rmtree(cmake_tree)  # the package must not need its build tree

    elsewhere = tmp_path / "elsewhere"
    elsewhere.mkdir()
    got = use_package(python, elsewhere, bare_env())
    assert pathlib.Path(got["file"]).is_relative_to(venv)
    assert got["demo"] == cli_json([DEMO], elsewhere)
    if "sky130" in got:
        assert got["sky130"] == cli_json(["--as-include", SKY130], elsewhere)
    # The wheel's libraries find each other, not the build tree's.
    package = pathlib.Path(got["file"]).parent
    for library in package.glob("*.so"):
        assert str(cmake_tree) not in run(["readelf", "-d", library]).stdout, library


def test_cmake_install_gives_a_cli_and_package_that_need_no_environment(tmp_path):
    build = cli_bin().parent.parent
    prefix = tmp_path / "prefix"
    install = run(["cmake", "--install", build, "--prefix", prefix])
    assert install.returncode == 0, install.stderr
    cli = prefix / "bin" / "quarry-parse"
    out = run([cli, DEMO], cwd=tmp_path, env=bare_env())
    assert out.returncode == 0, out.stderr
    assert out.stdout == run([cli_bin(), DEMO], cwd=tmp_path).stdout
    site = prefix / "lib" / "python3" / "dist-packages"
    got = use_package("/usr/bin/python3", tmp_path, bare_env(PYTHONPATH=str(site)))
    assert pathlib.Path(got["file"]).is_relative_to(site)
    assert got["demo"] == cli_json([DEMO], tmp_path)


USER_SCRIPT = textwrap.dedent("""
    from typing import List, Optional
    import quarry_korvex3 as qk

    def instances(path: str) -> List[str]:
        result: qk.Result = qk.parse(path, include_dirs=["lib"], max_includes=100)
        names = [n.value for n in result.find("nt_instance")]
        for d in result.diagnostics:
            line: Optional[int] = d.first_line
            print(d.severity, d.message, line)
        top: Optional[qk.Node] = result.tree[0] if result.tree else None
        if top is not None and top.location is not None:
            print(top.location.first_column, len(top), top.parent)
        tokens: List[qk.Token] = qk.tokens("t\\n.END\\n")
        print(tokens, qk.__version__)
        return names
""")


@pytest.mark.skipif(shutil.which("mypy") is None and run([sys.executable, "-m", "mypy", "--version"]).returncode,
                    reason="mypy is not installed")
def test_mypy_checks_user_code_against_the_stubs(tmp_path):
    package_dir = cli_bin().parent.parent / "lib"
    good = tmp_path / "good.py"
    good.write_text(USER_SCRIPT)
    bad = tmp_path / "bad.py"
    bad.write_text(USER_SCRIPT + "\nwrong: int = qk.parse('x').ok_count\nalso: str = qk.parse_text(b'').tree\n")
    env = {**os.environ, "MYPYPATH": str(package_dir)}
    mypy = ["/usr/bin/python3", "-m", "mypy", "--strict", "--no-incremental", "--cache-dir", os.devnull]
    checked = run([*mypy, good], cwd=tmp_path, env=env)
    assert checked.returncode == 0, checked.stdout
    refused = run([*mypy, bad], cwd=tmp_path, env=env)
    assert refused.returncode == 1, refused.stdout
    assert '"Result" has no attribute "ok_count"' in refused.stdout
    assert "List[Optional[Node]]" in refused.stdout or "list[Optional[Node]]" in refused.stdout
