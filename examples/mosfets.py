#!/usr/bin/env python3
"""Lists the MOSFETs of a korvex3 deck by model with their W and L, then the
subcircuit hierarchy from the top level down.

    PYTHONPATH=build/lib python3 examples/mosfets.py examples/demo.kvx
"""
import sys
from collections import defaultdict

import quarry_korvex3 as qk

TOP = "(top)"


def child_value(node, kind):
    return next((c.value for c in node.children if c.kind == kind), None)


def param(node, name):
    for c in node.children:
        if c.kind == "nt_param" and c.value == name and c.children:
            return c.children[0].value
    return "-"


def statements(tree):
    """Every node with the subcircuit it is defined in, the top level as TOP."""
    pending = [(n, TOP) for n in reversed(tree)]
    while pending:
        node, scope = pending.pop()
        yield node, scope
        inner = node.value if node.kind == "nt_subckt" else scope
        pending.extend((c, inner) for c in reversed(node.children))


def main(path):
    result = qk.parse(path)
    for d in result.diagnostics:
        print(d, file=sys.stderr)

    mosfets = defaultdict(list)   # model -> [(name, scope, w, l)]
    calls = defaultdict(list)     # subcircuit -> [(instance, subcircuit called)]
    for node, scope in statements(result.tree):
        if node.kind != "nt_instance":
            continue
        if node.value.startswith("m"):
            mosfets[child_value(node, "nt_master")].append((node.value, scope, param(node, "w"), param(node, "l")))
        elif node.value.startswith("x"):
            calls[scope].append((node.value, child_value(node, "nt_master")))

    print(f"MOSFETs of {path} by model")
    for model in sorted(mosfets):
        print(f"  {model} ({len(mosfets[model])})")
        for name, scope, w, l in mosfets[model]:
            print(f"    {name:<8} in {scope:<10} W={w:<10} L={l}")

    print("Subcircuit hierarchy")
    stack = [(TOP, TOP, 0, ())]
    while stack:
        instance, subckt, depth, seen = stack.pop()
        label = subckt if instance == TOP else f"{instance}: {subckt}"
        if subckt in seen:
            print("  " * (depth + 1) + label + " (recursive)")
            continue
        print("  " * (depth + 1) + label)
        for inst, called in reversed(calls.get(subckt, [])):
            stack.append((inst, called, depth + 1, seen + (subckt,)))
    return 0 if result.ok else 1


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(f"usage: {sys.argv[0]} DECK")
    sys.exit(main(sys.argv[1]))
