"""quarry_korvex3 as a Python package: its version, signatures and help, nodes
that behave like Python objects, standard exceptions, and the GIL let go."""
import inspect
import os
import pydoc
import threading

import pytest

import quarry_korvex3 as qk

DECK = "t\n.SUBCKT amp in out\nR1 in mid 1k\nR2 mid out 2k\n.ENDS\nX1 a b amp\n.END\n"


def test_version_is_the_clis(cli, tmp_path):
    run = cli(["--version"], cwd=tmp_path)
    assert run.stdout == f"quarry-parse {qk.__version__}\n"
    assert qk.__version__.count(".") == 2


def test_signatures_and_help_name_every_argument():
    parameters = inspect.signature(qk.parse).parameters
    assert list(parameters) == ["path", "include_dirs", "as_include", "include_roots", "expand_env", "max_includes",
                                "checks", "disabled_checks", "partial", "jobs"]
    assert all(p.kind is p.KEYWORD_ONLY for name, p in parameters.items() if name != "path")
    assert parameters["max_includes"].default == qk.DEFAULT_MAX_INCLUDES
    assert list(inspect.signature(qk.parse_text).parameters)[:2] == ["text", "name"]
    assert "OSError" in inspect.getdoc(qk.parse)
    assert "parse(path: 'PathLike', *, include_dirs:" in pydoc.render_doc(qk.parse, renderer=pydoc.plaintext)


def test_nodes_compare_hash_iterate_and_know_their_parent():
    r = qk.parse_text(DECK)
    subckt = r.tree[1]
    assert subckt.kind == "nt_subckt"
    # The same node reached twice is equal and hashes alike; others differ.
    found = r.find("nt_subckt")[0]
    assert found == subckt and hash(found) == hash(subckt) and found is not subckt
    assert len({subckt, found, r.tree[2]}) == 2
    assert subckt != r.tree[2] and subckt != "nt_subckt"
    # A node is the sequence of its children.
    assert len(subckt) == len(subckt.children) and list(subckt) == subckt.children
    # Parents, up to the top level.
    resistor = subckt.find("nt_instance")[0]
    assert resistor.parent is not None
    chain = []
    node = resistor
    while node is not None:
        chain.append(node)
        node = node.parent
    assert chain[-1] == subckt and subckt.parent is None
    assert all(child.parent == subckt for child in subckt if child is not None)
    # The same parse, another parse: equal nodes need the same tree.
    assert qk.parse_text(DECK).tree[1] != subckt


def test_result_walks_and_finds_over_the_whole_tree():
    r = qk.parse_text(DECK)
    walked = list(r.walk())
    assert [n for top in r.tree for n in top.walk()] == walked
    assert [n.value for n in r.find("nt_instance")] == ["r1", "r2", "x1"]
    assert r.find("nt_instance") == [n for n in walked if n.kind == "nt_instance"]
    with pytest.raises(ValueError):
        r.find("nt_nothing")


def test_bad_arguments_raise_standard_exceptions_naming_the_path(tmp_path):
    with pytest.raises(TypeError):
        qk.parse(42)
    with pytest.raises(TypeError):
        qk.parse_text(3.5)
    with pytest.raises(TypeError):
        qk.parse("x.kvx", include_dirs="one/path")
    with pytest.raises(TypeError):
        qk.parse("x.kvx", max_includes="many")
    with pytest.raises(FileNotFoundError, match="missing.kvx"):
        qk.parse(tmp_path / "missing.kvx")
    with pytest.raises(IsADirectoryError, match=str(tmp_path)):
        qk.parse(tmp_path)
    fifo = tmp_path / "pipe.kvx"
    os.mkfifo(fifo)
    with pytest.raises(OSError, match="Not a regular file.*pipe.kvx"):
        qk.parse(fifo)
    with pytest.raises(ValueError, match="null byte"):
        qk.parse("a\0b.kvx")
    with pytest.raises(UnicodeEncodeError):
        qk.parse_text("t\nR1 a b \udcff\n.END\n")
    # Bytes that are not UTF-8 are input like any other.
    assert not qk.parse_text(b"t\nR1 a \xff\n.END\n").ok
    assert issubclass(qk.ParseError, RuntimeError)


def test_the_gil_is_released_while_a_parse_runs():
    text = "t\n" + "".join(f"R{i} a{i} b{i} {i}k\n" for i in range(300000)) + ".END\n"
    done = threading.Event()
    result = []

    def work():
        result.append(qk.parse_text(text))
        done.set()

    counted = 0
    worker = threading.Thread(target=work)
    worker.start()
    while not done.is_set():
        counted += 1
    worker.join()
    assert result[0].ok
    # Python ran on this thread all through the parse: with the GIL held, it
    # could not have counted at all until the parse returned.
    assert counted > 1000


def test_checks_and_partial_trees_on_request():
    deck = "t\n.subckt amp a b\n.ends\nX1 a b amp\nX2 a b c amp\nX3 a nowhere\n.model idle nmos\n"
    plain = qk.parse_text(deck + ".end\n")
    assert plain.ok and plain.diagnostics == []
    checked = qk.parse_text(deck + ".end\n", checks=True)
    assert checked.ok  # the checks warn
    assert [(d.severity, d.flag, d.first_line) for d in checked.diagnostics] == [
        ("warning", "pin-count", 5), ("info", None, 2), ("warning", "undefined-subckt", 6),
        ("info", "unused-definition", 7)]
    fewer = qk.parse_text(deck + ".end\n", checks=True, disabled_checks=["unused-definition", "pin-count"])
    assert [d.flag for d in fewer.diagnostics] == ["undefined-subckt"]
    with pytest.raises(ValueError, match="unknown check 'typo'"):
        qk.parse_text(deck, checks=True, disabled_checks=["typo"])
    assert set(qk.CHECKS) >= {"undefined-subckt", "unclosed-bracket"}

    # No .END: the default tree is empty, the partial one keeps what was complete.
    assert qk.parse_text(deck).tree == []
    partial = qk.parse_text(deck, partial=True)
    assert not partial.ok
    assert [n.kind for n in partial.tree] == ["nt_title", "nt_subckt", "nt_instance", "nt_instance",
                                              "nt_instance", "nt_model"]


def test_included_files_parsed_ahead_give_the_same_result(tmp_path):
    (tmp_path / "a.inc").write_text("R1 a b 1\n.include 'b.inc'\nR2 a\n")
    (tmp_path / "b.inc").write_text(".model m nmos\nM1 d g s b m\n")
    (tmp_path / "c.inc").write_text(".include 'top.kvx'\n")  # a cycle back to the deck
    (tmp_path / "top.kvx").write_text("t\n.include 'a.inc'\n.include 'c.inc'\n.include 'b.inc'\n.end\n")
    documents = {jobs: qk.parse(tmp_path / "top.kvx", jobs=jobs, checks=True).to_json() for jobs in (1, 2, 4)}
    assert documents[1] == documents[2] == documents[4]
    assert "include cycle" in documents[1]
    with pytest.raises(ValueError):
        qk.parse(tmp_path / "top.kvx", jobs=0)
