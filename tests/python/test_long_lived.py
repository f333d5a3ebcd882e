"""The module inside a long-lived process: memory that settles, interrupts,
odd inputs and limits that raise instead of killing the interpreter."""
import os
import pathlib
import signal
import subprocess
import sys
import textwrap
import threading
from concurrent.futures import ThreadPoolExecutor

import pytest

import quarry_korvex3 as qk

MiB = 1024 * 1024


def rss():
    with open("/proc/self/statm") as f:
        return int(f.read().split()[1]) * os.sysconf("SC_PAGE_SIZE")


def deck_text(statements):
    lines = ["deck"]
    for i in range(statements):
        lines.append(f"R{i} n{i} n{i + 1} {i}k TC1=1m")
        lines.append(f"C{i} n{i} 0 1p")
    return "\n".join(lines + [".END", ""])


@pytest.fixture(scope="module")
def deck_file(tmp_path_factory):
    path = tmp_path_factory.mktemp("deck") / "deck.kvx"
    path.write_text(deck_text(20000))  # about 0.7 MB, 0.2 M nodes
    return str(path)


def settles(parse_round, warm_up=3, rounds=6, slack=48 * MiB):
    """Memory after the warm-up rounds grows by no more than `slack` over
    the next rounds: a leak of one tree per round shows at once."""
    for _ in range(warm_up):
        parse_round()
    before = rss()
    for _ in range(rounds):
        parse_round()
    grown = rss() - before
    assert grown < slack, f"grew by {grown / MiB:.0f} MiB over {rounds} rounds"


def test_memory_settles_with_short_lived_threads(deck_file):
    # Trees built on threads that then end, dropped on this one.
    def parse_round():
        results = []
        threads = [threading.Thread(target=lambda: results.append(qk.parse(deck_file))) for _ in range(8)]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        assert len(results) == 8 and all(r.ok for r in results)

    settles(parse_round)


def test_memory_settles_with_a_thread_pool(deck_file):
    with ThreadPoolExecutor(4) as pool:
        def parse_round():
            results = list(pool.map(lambda _: qk.parse(deck_file), range(8)))
            assert all(r.ok for r in results)
            # Freed here, on the main thread, not where they were built.
            del results

        settles(parse_round)


def test_file_names_go_with_their_trees():
    long_name = "n" * 200000
    small = "t\nR1 a b 1\n.END\n"

    def parse_round():
        for i in range(50):
            assert qk.parse_text(small, name=f"{long_name}{i}-{parse_round.calls}").ok
        parse_round.calls += 1

    parse_round.calls = 0
    # 50 names of 200 kB a round: a kept name shows as 10 MB a round.
    settles(parse_round, slack=24 * MiB)


def test_reprs_of_bytes_that_are_not_utf8():
    r = qk.parse_text(b"t\n.include 'caf\xe9.inc'\nR1 a b ?\n.END\n", name=b"deck\xff.kvx")
    include = r.tree[1]
    assert include.value == "caf\ufffd.inc"
    assert repr(include).startswith('<Node nt_include "caf\ufffd.inc" @deck\ufffd.kvx[2:1-')
    assert repr(include.location).startswith("<Location deck\ufffd.kvx[2:1-")
    assert repr(r).startswith("<Result deck\ufffd.kvx failed")
    assert all(repr(d).startswith("<Diagnostic deck\ufffd.kvx:") for d in r.diagnostics)
    # The file name itself round-trips through the file system encoding.
    assert include.location.file == os.fsdecode(b"deck\xff.kvx")


def test_nul_in_a_path_and_lone_surrogates_raise_the_standard_errors(tmp_path):
    for call in (lambda: qk.parse("deck\0.kvx"),
                 lambda: qk.parse_text("t\n.END\n", name="a\0b"),
                 lambda: qk.parse_text("t\n.END\n", include_dirs=["lib\0"]),
                 lambda: qk.parse_text("t\n.END\n", include_roots=[b"lib\0"])):
        with pytest.raises(ValueError, match="null byte"):
            call()
    with pytest.raises(UnicodeEncodeError):
        qk.parse_text("t\nR1 \udc80 b 1\n.END\n")
    with pytest.raises(UnicodeEncodeError):
        qk.tokens("\ud800")


def test_include_roots_expand_env_and_max_includes(tmp_path, monkeypatch):
    (tmp_path / "lib").mkdir()
    (tmp_path / "lib" / "ok.inc").write_text("R1 a b 1\n")
    (tmp_path / "secret.inc").write_text("R2 a b 2\n")
    monkeypatch.chdir(tmp_path)
    monkeypatch.setenv("LIBDIR", "lib")
    text = "t\n.include '$LIBDIR/ok.inc'\n.include 'secret.inc'\n.END\n"
    assert qk.parse_text(text).ok
    confined = qk.parse_text(text, include_roots=[tmp_path / "lib"])
    assert confined.files == ["lib/ok.inc"]
    assert [(d.severity, d.message) for d in confined.diagnostics] == [
        ("error", ".include path is invalid: secret.inc"), ("info", "secret.inc lies outside the include roots")]
    plain = qk.parse_text(text, expand_env=False)
    assert plain.diagnostics[0].message == ".include path is invalid: $LIBDIR/ok.inc"
    limited = qk.parse_text(text, max_includes=1)
    assert [d.message for d in limited.diagnostics] == [
        ".include path is invalid: secret.inc", "include limit of 1 files reached"]
    assert qk.DEFAULT_MAX_INCLUDES >= 1000


def run_python(script, env=None, timeout=300):
    return subprocess.run([sys.executable, "-c", textwrap.dedent(script)], capture_output=True, text=True,
                          timeout=timeout, env={**os.environ, **(env or {})}, check=False)


def test_ctrl_c_stops_a_long_parse(tmp_path):
    # 2^20 tiny includes: minutes of work that builds almost no tree.
    for i in range(20):
        (tmp_path / f"f{i}.inc").write_text(f".include 'f{i + 1}.inc'\n.include 'f{i + 1}.inc'\n")
    (tmp_path / "f20.inc").write_text("R1 a b 1\n")
    (tmp_path / "top.kvx").write_text("t\n.include 'f0.inc'\n.END\n")
    run = run_python(f"""
        import os, signal, threading, time
        import quarry_korvex3 as qk
        os.chdir({str(tmp_path)!r})
        sent = []
        def interrupt():
            time.sleep(1.0)
            sent.append(time.monotonic())
            os.kill(os.getpid(), signal.SIGINT)
        threading.Thread(target=interrupt, daemon=True).start()
        try:
            qk.parse("top.kvx", max_includes=10**8)
        except KeyboardInterrupt:
            print("interrupted after %.3f s" % (time.monotonic() - sent[0]))
        else:
            print("finished")
    """)
    assert run.returncode == 0, run.stderr
    assert run.stdout.startswith("interrupted after"), run.stdout + run.stderr
    # A generous bound against a hang; the closing note gives the real figure.
    assert float(run.stdout.split()[2]) < 5.0, run.stdout


def test_memory_error_instead_of_an_abort():
    run = run_python("""
        import resource
        import quarry_korvex3 as qk
        text = "big\\n" + "".join("R%d a%d b%d 1k TC1=1\\n" % (i, i, i) for i in range(400000)) + ".END\\n"
        resource.setrlimit(resource.RLIMIT_AS, (resource.getrlimit(resource.RLIMIT_AS)[0], resource.RLIM_INFINITY))
        limit = 0
        for mib in (150, 200, 250, 300, 400):
            resource.setrlimit(resource.RLIMIT_AS, (mib * 1024 * 1024, resource.RLIM_INFINITY))
            try:
                qk.parse_text(text)
            except MemoryError:
                limit = mib
            finally:
                resource.setrlimit(resource.RLIMIT_AS, (resource.RLIM_INFINITY, resource.RLIM_INFINITY))
        print("memory error up to", limit)
    """)
    assert run.returncode == 0, run.stderr[-2000:]
    assert run.stdout.startswith("memory error up to"), run.stdout
    assert run.stdout.split()[-1] != "0", "no limit was small enough to fail the parse"


def test_module_loads_after_other_libraries_used_up_static_tls(tmp_path):
    filler = os.environ.get("QUARRY_TLS_FILLER")
    if not filler:
        pytest.skip("QUARRY_TLS_FILLER is not set: run the tests through ctest")
    run = run_python(f"""
        import ctypes, shutil, sys
        for i in range(100000):
            copy = {str(tmp_path)!r} + "/filler%d.so" % i
            shutil.copy({filler!r}, copy)
            try:
                ctypes.CDLL(copy)
            except OSError as e:
                assert "static TLS" in str(e), e
                break
        else:
            sys.exit("static TLS never ran out")
        import quarry_korvex3 as qk
        assert qk.parse_text("t\\nR1 a b 1\\n.END\\n").ok
        print("loaded")
    """)
    assert run.returncode == 0 and run.stdout == "loaded\n", run.stdout + run.stderr
