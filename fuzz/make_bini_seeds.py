#!/usr/bin/env python3
"""Writes the seed files of the binary INI fuzzer into corpus/bini/.

Each seed is a small valid file; the fuzzer grows its own corpus from them in a scratch
folder (scripts/fuzz), so these stay as written here. Run again after changing them, with
tarn-mkbini built (scripts/build), which writes their bytes.
"""
import json
import os
import subprocess
import sys

INT, FLOAT, STRING = 1, 2, 3
ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
MKBINI = os.environ.get("TARN_MKBINI", os.path.join(ROOT, "build", "bin", "tarn-mkbini"))


def bini(sections):
    """sections: [(name, [(key, [(type, value), ...]), ...]), ...] -> bytes, as tarn-mkbini
    writes them (build it first; TARN_MKBINI names another)."""
    typed = {INT: int, FLOAT: float, STRING: str}
    source = [[name, [[key, [typed[kind](value) for kind, value in values]]
                      for key, values in entries]] for name, entries in sections]
    made = subprocess.run([MKBINI, "--json", "-", "-"], input=json.dumps(source).encode(),
                          capture_output=True)
    if made.returncode != 0:
        sys.exit(made.stderr.decode(errors="replace"))
    return made.stdout


SEEDS = {
    "header_only": [],
    "one_entry": [("s", [("k", [(INT, 5)])])],
    "every_type": [
        ("General", [
            ("name", [(STRING, "Kestrovar")]),
            ("counts", [(INT, 3), (INT, -7), (INT, 2147483647), (INT, -2147483648)]),
            ("scale", [(FLOAT, 0.5), (FLOAT, 2.0), (FLOAT, 1e20), (FLOAT, -0.0), (FLOAT, 1.1)]),
            ("flags", []),
        ]),
        ("Empty", []),
        ("Ship", [("mix", [(INT, 1), (FLOAT, 1.1), (STRING, "Café")])]),
    ],
    "repeated_names": [
        ("Good", [("name", [(STRING, "Good")]), ("price", [(INT, 120), (FLOAT, 0.25)])]),
        ("Good", [("name", [(STRING, "Good")]), ("price", [(INT, 80), (FLOAT, 0.75)]),
                  ("name", [(STRING, "name"), (STRING, "")])]),
    ],
}

if __name__ == "__main__":
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "bini")
    os.makedirs(folder, exist_ok=True)
    for name, sections in SEEDS.items():
        with open(os.path.join(folder, name + ".bini"), "wb") as out:
            out.write(bini(sections))
