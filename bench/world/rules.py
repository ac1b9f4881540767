"""The rule set the world is made for, as `tarn rules export --json` reads it: per section rule,
its entry rules with the type and name of each value position."""

import json
import os
import subprocess
import sys

from .common import BOOLEAN, DOUBLE, LONG, NULL, STRING, TARN


TYPE_CODES = {'long': LONG, 'double': DOUBLE, 'string': STRING, 'boolean': BOOLEAN,
              'null': NULL}


class EntryRule:
    """One entry rule: its key, identifier, flags and value positions."""

    def __init__(self, name, db_id, multiline, mandatory, fixed, tail, usable):
        self.name = name
        self.db_id = db_id
        self.multiline = multiline
        self.mandatory = mandatory
        self.fixed = fixed      # [(type, hint)] of the fixed positions
        self.tail = tail        # (type, hint) of the variable tail, or None
        self.usable = usable    # every position has a type a value can be written for
        self.roles = None       # ([role of each fixed position], role of the tail), or None
        self.defines = False    # a position of this key defines a name


class SectionRule:
    def __init__(self, name, stem):
        self.name = name
        self.stem = stem
        self.entries = []
        self.keys = set()       # upper-case keys


def _type_code(text):
    code = TYPE_CODES.get(text.lower())
    if code is None and text.isdigit():
        code = int(text)
    return code


def read_rules(folder):
    """The section rules of the rule folder, in file-name order, as `tarn rules export --json`
    reads them (TARN names another tarn than build/bin's)."""
    made = subprocess.run([TARN, 'rules', 'export', '--json', '--from', folder],
                          capture_output=True)
    if made.returncode != 0:
        sys.exit(made.stderr.decode(errors='replace'))
    sections = []
    for rule in json.loads(made.stdout)['sections']:
        section = SectionRule(rule['name'], os.path.splitext(rule['file'])[0])
        section.entries = [_entry_rule(entry) for entry in rule['entries']]
        section.keys = {entry.name.upper() for entry in section.entries}
        sections.append(section)
    return sections


def _entry_rule(entry):
    positions = [(_type_code(value['type']),
                  (value['name'] if value['name'] is not None else entry['key']).lower(),
                  value['tail']) for value in entry['values']]
    fixed_count = entry['fixed']
    fixed = [(t, h) for t, h, _ in positions[:fixed_count]]
    tail = None
    if entry['varargs'] and fixed_count < len(positions):
        tail = positions[fixed_count][:2]
    types = [t for t, _ in fixed] + ([tail[0]] if tail else [])
    usable = len(fixed) == fixed_count and all(t in (LONG, DOUBLE, STRING, BOOLEAN)
                                               for t in types)
    return EntryRule(entry['key'], entry['id'], entry['multiline'], entry['mandatory'], fixed,
                     tail, usable)
