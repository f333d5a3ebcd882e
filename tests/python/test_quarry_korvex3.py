"""The Python module against the command-line host and the dialect's rules."""
import gc
import json
import os
import threading
from concurrent.futures import ThreadPoolExecutor

import pytest

import quarry_korvex3 as qk
from conftest import GOLDEN

CASES = [
    "structure/include.kvx",
    "structure/syntax_errors.kvx",
    "passives/resistor_packets.kvx",
    "semiconductors/mosfets.kvx",
]


def as_json(node):
    """The node as the CLI's JSON writes it, through the Python API only."""
    out = {"kind": node.kind, "value": node.value}
    if node.location is not None:
        loc = node.location
        out["location"] = {
            "file": loc.file,
            "first_line": loc.first_line,
            "first_column": loc.first_column,
            "last_line": loc.last_line,
            "last_column": loc.last_column,
        }
    if node.children:
        out["children"] = [as_json(c) for c in node.children]
    return out


def diagnostic_json(d):
    location = None
    if d.file is not None:
        location = {"file": d.file, "first_line": d.first_line, "first_column": d.first_column,
                    "last_line": d.last_line, "last_column": d.last_column}
    return {"severity": d.severity, "message": d.message, "location": location, "id": d.id}


@pytest.mark.parametrize("case", CASES)
def test_tree_and_reports_equal_the_cli_json(case, cli, monkeypatch):
    folder, name = (GOLDEN / case).parent, (GOLDEN / case).name
    assert (folder / name).is_file(), case
    run = cli(["--format", "json", name], folder)
    assert run.returncode in (0, 1), run.stderr
    monkeypatch.chdir(folder)
    result = qk.parse(name)
    assert result.to_json() == run.stdout.rstrip("\n")
    doc = json.loads(run.stdout)
    assert [as_json(n) for n in result.tree] == doc["tree"]
    assert [diagnostic_json(d) for d in result.diagnostics] == doc["diagnostics"]
    assert result.ok == doc["ok"] == (run.returncode == 0)
    # walk() visits every node once: the JSON's count.
    assert sum(len(list(n.walk())) for n in result.tree) == run.stdout.count('"kind":')


def test_diagnostics_have_locations_and_packet_ids():
    r = qk.parse_text("t\nR1 a b ?\nR2 a b 1k TC1=1 L=2u\n.END\n", name="deck.kvx")
    assert not r.ok
    syntax, packet = r.diagnostics
    assert (syntax.severity, syntax.message, syntax.file, syntax.id) == (
        "error", "syntax error, unexpected character", "deck.kvx", None)
    assert (syntax.first_line, syntax.first_column, syntax.last_line, syntax.last_column) == (2, 8, 2, 8)
    assert str(syntax) == "deck.kvx:2:8: error: syntax error, unexpected character"
    assert (packet.severity, packet.id, packet.file, packet.first_line) == ("warning", "PARSER-17", None, None)
    assert packet.message == ("parameter L of constant resistor is not supported; "
                              "it was dropped or renamed (deck.kvx[3:11-3:20])")
    # The line after the bad one still parses.
    assert [(n.kind, n.value) for n in r.tree] == [("nt_title", "t"), ("nt_instance", "r2")]
    assert r.files == []


def test_tokens_as_the_cli_lists_them():
    rest = [(1, 3, 2, 1, "end-of-line", None),
            (2, 1, 2, 2, "RESISTOR", "r1"),
            (2, 4, 2, 4, "identifier", "a"),
            (2, 6, 2, 6, "identifier", "b"),
            (2, 8, 2, 9, "floating point number", "1k"),
            (2, 10, 3, 1, "end-of-line", None)]
    assert qk.tokens("rc\nR1 a b 1k\n") == [(1, 1, 1, 2, "TITLE", "rc")] + rest
    assert qk.tokens(b"rc\nR1 a b 1k\n", as_include=True) == [(1, 1, 1, 2, "RESISTOR", "rc")] + rest
    # Escaped bytes and quotes in a value come back as they were.
    title = 'a "b" \\ c\td'
    assert qk.tokens(title + "\n")[0] == (1, 1, 1, len(title), "TITLE", title)


def test_files_are_the_deck_then_what_it_read_as_make_sees_them(deck, cli):
    r = qk.parse("top.kvx", include_dirs=[deck / "nowhere"])
    assert r.ok, [str(d) for d in r.diagnostics]
    assert r.files == ["top.kvx", "parts.inc", "lib/models.inc", "lib/leaf.inc", "my cells.inc"]
    rule = cli(["-M", "top.kvx"], deck)
    assert rule.stdout == "top.kvx: " + " ".join(f.replace(" ", "\\ ") for f in r.files[1:]) + "\n"
    # The section include kept one section each time.
    assert [n.value for n in r.tree[1].find("nt_instance")] == ["r1"]
    assert [n.value for n in r.tree[3].find("nt_instance")] == ["r2"]


def test_bad_input_gives_diagnostics_or_oserror(deck):
    with pytest.raises(FileNotFoundError):
        qk.parse("nowhere.kvx")
    with pytest.raises(IsADirectoryError):
        qk.parse(deck / "lib")
    (deck / "empty.kvx").write_text("")
    empty = qk.parse(deck / "empty.kvx")
    assert (empty.ok, empty.tree, empty.diagnostics, empty.files) == (True, [], [], [str(deck / "empty.kvx")])

    (deck / "cycle.kvx").write_text("t\n.INCLUDE 'back.inc'\n.END\n")
    (deck / "back.inc").write_text(".INCLUDE 'cycle.kvx'\n")
    cycle = qk.parse("cycle.kvx")
    assert not cycle.ok
    assert [(d.severity, d.message) for d in cycle.diagnostics] == [
        ("error", ".include path is invalid: cycle.kvx"), ("info", "include cycle through cycle.kvx")]
    assert cycle.files == ["cycle.kvx", "back.inc"]

    # An exception that leaves the parse becomes ParseError with its text.
    with pytest.raises(qk.ParseError, match=r"bound does not fit 64 bits"):
        qk.parse_text("t\nX1 a[0:99999999999999999999] sub\n.END\n")
    with pytest.raises(ValueError, match="unknown node kind"):
        qk.parse_text("t\n.END\n").tree[0].find("nt_nosuch")


def test_nodes_keep_their_tree_alive():
    r = qk.parse_text("t\n.SUBCKT s p\nR1 p 0 1\n.ENDS\n.END\n", name="deck.kvx")
    subckt = r.tree[1]
    walk = subckt.walk()
    del r
    gc.collect()
    assert subckt.kind == "nt_subckt" and subckt.value == "s"
    loc = subckt.location
    assert (loc.file, loc.first_line, loc.last_line) == ("deck.kvx", 2, 4)
    nodes = [(n.kind, n.value) for n in walk]
    assert nodes[0] == ("nt_subckt", "s") and ("nt_instance", "r1") in nodes
    resistor = subckt.find("nt_instance")[0]
    del subckt, walk
    gc.collect()
    assert resistor.children[0].kind == "nt_pin"


def test_threads_parse_different_files_at_once(deck):
    # Good and bad decks, includes and an include cycle: each parse's reports,
    # include chain and tree stay its own.
    (deck / "cycle.kvx").write_text("t\n.INCLUDE 'cycle.kvx'\n.END\n")
    cases = [str(GOLDEN / c) for c in CASES] + [str(deck / "top.kvx"), str(deck / "cycle.kvx")]
    expected = {p: qk.parse(p).to_json() for p in cases}
    start = threading.Barrier(8)

    def parse_all(offset):
        start.wait()
        return [(p, qk.parse(p).to_json()) for p in (cases[offset % len(cases):] + cases[:offset % len(cases)]) * 3]

    with ThreadPoolExecutor(8) as pool:
        for results in pool.map(parse_all, range(8)):
            for path, document in results:
                assert document == expected[path], path
