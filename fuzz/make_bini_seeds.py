#!/usr/bin/env python3
"""Writes the seed files of the binary INI fuzzer into corpus/bini/.

Each seed is a small valid file; the fuzzer grows its own corpus from them in a scratch
folder (scripts/fuzz), so these stay as written here. Run again after changing them.
"""
import os
import struct

INT, FLOAT, STRING = 1, 2, 3


def bini(sections):
    """sections: [(name, [(key, [(type, value), ...]), ...]), ...] -> bytes"""
    table = bytearray()
    offsets = {}

    def string(s):
        if s not in offsets:  # names repeat: each is stored once
            offsets[s] = len(table)
            table.extend(s.encode("cp1252") + b"\0")
        return offsets[s]

    records = bytearray()
    for name, entries in sections:
        records += struct.pack("<HH", string(name), len(entries))
        for key, values in entries:
            records += struct.pack("<HB", string(key), len(values))
            for kind, value in values:
                if kind == INT:
                    records += struct.pack("<Bi", kind, value)
                elif kind == FLOAT:
                    records += struct.pack("<Bf", kind, value)
                else:
                    records += struct.pack("<BI", kind, string(value))
    return b"BINI" + struct.pack("<II", 1, 12 + len(records)) + records + table


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
