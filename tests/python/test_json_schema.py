"""The published schema of quarry-parse's JSON holds for what it prints: the
tree and the tokens of every golden netlist, and the documents of inputs
that cannot be parsed."""
import json
import pathlib
import re
import shlex

import pytest
from jsonschema import Draft202012Validator

from conftest import GOLDEN

ROOT = pathlib.Path(__file__).parents[2]
SCHEMA = json.loads((ROOT / "schema" / "quarry-parse.schema.json").read_text())
VALIDATOR = Draft202012Validator(SCHEMA)
CASES = sorted(GOLDEN.glob("*/*.kvx"))


def documents(out):
    return [json.loads(line) for line in out.splitlines()]


def assert_valid(document):
    errors = sorted(VALIDATOR.iter_errors(document), key=lambda e: list(e.absolute_path))
    assert not errors, "\n".join(f"{list(e.absolute_path)}: {e.message}" for e in errors[:5])


def test_schema_is_a_schema_and_names_every_node_kind():
    Draft202012Validator.check_schema(SCHEMA)
    header = (ROOT / "host" / "include" / "quarry" / "ast" / "node_type.hh").read_text()
    kinds = re.findall(r"\b(nt_[a-z_0-9]+) = \d+,", header)
    assert sorted(SCHEMA["$defs"]["node"]["properties"]["kind"]["enum"]) == sorted(kinds)


def test_schema_rejects_what_is_not_a_document():
    bad = [
        {"file": "a", "language": "korvex3", "ok": True, "diagnostics": []},  # neither tree nor tokens
        {"file": "a", "language": "korvex3", "ok": True, "diagnostics": [], "tree": [{"kind": "nt_nothing", "value": ""}]},
        {"file": "a", "language": "korvex3", "ok": True, "diagnostics": [{"severity": "fatal", "message": "",
                                                                          "location": None, "id": None}], "tree": []},
        {"file": "a", "language": "korvex3", "ok": "yes", "diagnostics": [], "tree": []},
    ]
    for document in bad:
        assert list(VALIDATOR.iter_errors(document)), document


@pytest.mark.parametrize("case", CASES, ids=lambda p: f"{p.parent.name}/{p.stem}")
def test_every_golden_netlist_gives_valid_json(cli, case):
    args_file = case.with_suffix(".args")
    extra = shlex.split(args_file.read_text()) if args_file.exists() else []
    extra = " ".join(extra).replace("--format none", "").split()
    for mode in (["--format", "json"], ["--tokens", "--format", "json"]):
        if "--tokens" in mode and "--as-include" not in extra and extra:
            continue  # options of a parse, not of a listing
        run = cli([*mode, *extra, case.name], cwd=case.parent)
        docs = documents(run.stdout)
        assert len(docs) == 1, run.stderr
        assert_valid(docs[0])


def test_documents_of_inputs_that_cannot_be_parsed_are_valid(cli, tmp_path):
    (tmp_path / "unread.kvx").write_text("t\n.include '/proc/self/mem'\n.END\n")
    (tmp_path / "folder").mkdir()
    for mode, unread in ((["--format", "json"], "unread.kvx"), (["--tokens", "--format", "json"], "/proc/self/mem")):
        run = cli([*mode, "missing.kvx", "folder", unread], cwd=tmp_path)
        docs = documents(run.stdout)
        assert len(docs) == 3
        for document in docs:
            assert_valid(document)
            assert document["ok"] is False
