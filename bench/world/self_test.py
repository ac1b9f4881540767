"""--self-test: small worlds made and read back, to show that the files say what the JSON reports
say they do. Binary files are read through TARN's own reader (`tarn bini`), the one home of
that form's decoding."""

import filecmp
import json
import os
import shutil
import subprocess
import tempfile

from .common import CRLF, DOUBLE, LONG, TARN
from .mistakes import MISTAKE_KINDS, MISTAKE_RATE, MISTAKE_WORDS
from .report import make_world
from .shapes import DATA_KEYS, LOCAL_KINDS, REFERENCES, REFERENCE_IDS
from .values import double_value
from .world import World


def _files_under(folder):
    found = {}
    for root, _, names in os.walk(folder):
        for name in names:
            path = os.path.relpath(os.path.join(root, name), folder).replace(os.sep, '/')
            found[path] = os.path.join(root, name)
    return found


def _text_forms(files):
    """The text form of each binary file of files {path: full path}, {path: text}, as
    `tarn bini` writes it (TARN names another tarn than build/bin's). Copies are converted
    in a scratch folder, so that the world keeps only the files it was written with. A file
    is binary when it starts with the form's magic, which is all the generator writes to
    tell the two apart."""
    binary = []
    for path, full in sorted(files.items()):
        with open(full, 'rb') as f:
            if f.read(4) == b'BINI':
                binary.append(path)
    if not binary:
        return {}
    with tempfile.TemporaryDirectory() as scratch:
        copies = [os.path.join(scratch, '%d.bin' % i) for i in range(len(binary))]
        for path, copy in zip(binary, copies):
            shutil.copyfile(files[path], copy)
        done = subprocess.run([TARN, 'bini', *copies], capture_output=True)
        assert done.returncode == 0, done.stderr.decode(errors='replace')
        forms = {}
        for path, copy in zip(binary, copies):
            with open(copy + '.txt', 'rb') as f:
                forms[path] = f.read().decode('cp1252')
        return forms


class _Folder:
    """A written world: its files, {path: full path}, and the text forms of its binary
    ones, decoded once."""

    def __init__(self, folder):
        self.files = _files_under(folder)
        self.forms = _text_forms(self.files)

    def text_lines(self, path):
        """The lines of a file, of its text form when it is binary, and whether it is."""
        if path in self.forms:
            return self.forms[path].split(CRLF)[:-1], True
        with open(self.files[path], 'rb') as f:
            return f.read().decode('cp1252').split(CRLF), False


def _parse(lines):
    """Sections of a file as the reader cleans and splits its lines: [(name, header line,
    [(key, value, line)])], lines counted from 1."""
    sections = []
    for number, raw in enumerate(lines, 1):
        line = raw.replace('\t', ' ').split(';')[0].strip()
        if line.startswith('['):
            sections.append((line[1:-1], number, []))
        elif line and sections:
            key, _, value = line.partition('=')
            sections[-1][2].append((key.strip(), value.strip(), number))
    return sections


def _read_sections(folder, path):
    return [(name, [(k, v) for k, v, _ in entries])
            for name, _, entries in _parse(folder.text_lines(path)[0])]


def _follow(world, folder):
    """The files the game reaches, followed as "All" does; fails on a name that leads
    nowhere. Returns the data files read."""
    files = folder.files
    by_lower = {p.lower(): p for p in files}
    rule_of = {}
    for rule in world.rule_list:
        for entry in rule.entries:
            rule_of[(rule.name.upper(), entry.name.upper())] = entry.db_id
    read = []

    def visit(value, base='DATA/'):
        path = by_lower.get((base + value.replace('\\', '/')).lower())
        assert path, 'names no file: ' + value
        if path not in read:
            read.append(path)
    for name, entries in _read_sections(folder, 'EXE/kestrovar.ini'):
        for key, value in entries:
            if name == 'Data' and key in DATA_KEYS:
                visit(value)
    with open(files['other_ini.txt']) as f:
        for value in f.read().split():
            visit(value)
    for ref_id in REFERENCE_IDS:
        for path in list(read):
            for name, entries in _read_sections(folder, path):
                for key, value in entries:
                    if rule_of.get((name.upper(), key.upper())) == ref_id:
                        visit(value, 'DATA/UNIVERSE/' if ref_id == 74 else 'DATA/')
    return read


def _load(folder, name):
    with open(folder.files[name]) as f:
        return json.load(f)


def _differing_lines(folder_a, folder_b):
    """{(file, line)} where the two folders' data files differ (text forms of binary files);
    both must hold the same files, each with as many lines."""
    files_a, files_b = folder_a.files, folder_b.files
    assert sorted(p for p in files_a if not p.endswith('.json')) == sorted(
        p for p in files_b if not p.endswith('.json')), 'different file lists'
    found = set()
    for path in files_a:
        if not path.startswith('DATA/'):
            assert path.endswith('.json') or filecmp.cmp(files_a[path], files_b[path],
                                                         shallow=False), path
            continue
        (lines_a, binary_a), (lines_b, binary_b) = folder_a.text_lines(path), \
            folder_b.text_lines(path)
        assert (len(lines_a), binary_a) == (len(lines_b), binary_b), path
        found.update((path, i) for i, (a, b) in enumerate(zip(lines_a, lines_b), 1) if a != b)
    return found


def _check_mistakes(world, folder):
    """Every mistake of mistakes.json is in its file at its line, of its kind; the counts
    of world.json agree with them. Returns the mistakes."""
    listed = _load(folder, 'mistakes.json')['mistakes']
    report = _load(folder, 'world.json')
    assert len(listed) == report['mistakes'] == sum(report['mistakes_by_kind'].values())
    assert report['expected_warnings'] == sum(1 for m in listed if m['warning'] is not None)
    assert {m['kind'] for m in listed} == set(MISTAKE_KINDS), 'a kind of mistake is missing'
    parsed = {}
    for m in listed:
        if m['file'] not in parsed:
            lines, binary = folder.text_lines(m['file'])
            parsed[m['file']] = lines, binary, _parse(lines)
        lines, binary, sections = parsed[m['file']]
        assert binary == m['binary'], m
        if m['kind'] == 'unknown_section':
            assert lines[m['line'] - 1] == '[%s]' % m['section'], m
            assert m['warning_line'] == m['line'] + 1, m
            assert m['section'].upper() not in world.rules, m
            continue
        at = [(name, header, i, entries) for name, header, entries in sections
              for i, (_, _, line) in enumerate(entries) if line == m['line']]
        assert len(at) == 1, m
        name, header, i, entries = at[0]
        key, value, _ = entries[i]
        assert (name, header + i + 1, key, value) == (
            m['section'], m['warning_line'], m['key'], m['value']), m
        rule = world.rules[name.upper()]
        entry = {e.name.upper(): e for e in rule.entries}.get(key.upper())
        values = [v.strip() for v in value.split(',')]
        longs = [values[j] for j, (t, _) in enumerate(entry.fixed if entry else ())
                 if t == LONG]
        kind = m['kind']
        if kind == 'unknown_key':
            assert entry is None, m
        elif kind == 'wrong_type':
            assert any(v in MISTAKE_WORDS for v in values), m
        elif kind == 'too_many_values':
            assert entry.tail is None and len(values) == len(entry.fixed) + 1, m
        elif kind == 'second_line':
            assert i > 0 and entries[i - 1][0] == key and not entry.multiline, m
        elif kind == 'overflow':
            assert any(not -2 ** 31 <= int(v) < 2 ** 31 for v in longs), m
        else:
            assert any(float(v) != int(float(v)) for v in longs), m
    unknown = sum(1 for m in listed if m['kind'] == 'unknown_section')
    assert report['stored_sections'] == report['sections'] - unknown
    return listed


def _names_and_uses(world, folder):
    """The names the folder's data files define, {name: [(section upper, file, line)]},
    and every use of a name: [(file, line, position, slot, text)]."""
    roles = {}
    for rule in world.rule_list:
        for entry in rule.entries:
            if entry.roles:
                roles[(rule.name.upper(), entry.name.upper())] = entry.roles
    defined, uses = {}, []
    for path in folder.files:
        if not path.startswith('DATA/'):
            continue
        for name, _, entries in _parse(folder.text_lines(path)[0]):
            for key, value, line in entries:
                fixed, tail = roles.get((name.upper(), key.upper()), ((), None))
                for i, text in enumerate(v.strip() for v in value.split(',')):
                    role = fixed[i] if i < len(fixed) else tail
                    if role is World.DEFINES:
                        defined.setdefault(text, []).append((name.upper(), path, line))
                    elif role is not None:
                        uses.append((path, line, i + 1, role, text))
    return defined, uses


def _group(path):
    """The group of files a local name lives in: a base's file and its rooms, or a star
    system's file."""
    import re
    base = re.search(r'SYSTEMS/(KV\d+)/BASES/(?:ROOMS/)?KV\d+_(\d+)_', path, re.I)
    if base:
        return (base.group(1).upper(), int(base.group(2)))
    system = re.search(r'SYSTEMS/(KV\d+)/', path, re.I)
    return system.group(1).upper() if system else path


def _dangling(defined, uses):
    """The uses that name nothing their slot's targets define, in their group for a local
    kind: {(file, line, position)}."""
    names = {}
    for text, places in defined.items():
        for section, path, _ in places:
            names.setdefault(section, set()).add(text)
            if section in LOCAL_KINDS:
                names.setdefault((section, _group(path)), set()).add(text)
    return {(path, line, position) for path, line, position, slot, text in uses
            if not any(text in names.get(t.upper() if t.upper() not in LOCAL_KINDS
                                         else (t.upper(), _group(path)), ())
                       for t in slot.targets)}


def self_test(rules_folder):
    """Writes worlds at scale 0.01, with ten times the usual share of mistakes, and checks:
    the same bytes for the same options; each binary file decodes, through TARN's reader, to
    the text it was made from; every data file is reached, and every file name leads to a file; the counts in
    world.json are what a reader finds; every mistake listed is where and what the list
    says, and the world without mistakes differs from it at those lines alone; names are
    defined once and every use names a defined name; renaming N names changes their
    defining lines alone and leaves exactly the listed uses dangling."""
    rate = MISTAKE_RATE * 10
    with tempfile.TemporaryDirectory() as tmp:
        one, two, clean, renamed = (os.path.join(tmp, d)
                                    for d in ('one', 'two', 'clean', 'renamed'))
        world = make_world(rules_folder, 0.01, 7, one, keep_canonical=True, mistake_rate=rate)
        make_world(rules_folder, 0.01, 7, two, mistake_rate=rate)
        files_one, files_two = _files_under(one), _files_under(two)
        assert sorted(files_one) == sorted(files_two), 'different file lists'
        for path in files_one:
            assert filecmp.cmp(files_one[path], files_two[path], shallow=False), path
        one = _Folder(one)
        assert world.canonical, 'no binary file written'
        assert sorted(one.forms) == sorted(world.canonical), 'binary files other than written'
        for path, text in world.canonical.items():
            assert one.forms[path] == text, 'decodes differently: ' + path
        read = _follow(world, one)
        data_files = sorted(p for p in one.files if p.startswith('DATA/'))
        assert sorted(read) == data_files, 'not reached: %s' % (set(data_files) - set(read))
        sections = lines = values = 0
        for path in read:
            for _, entries in _read_sections(one, path):
                sections += 1
                assert len(entries) <= 2048
                lines += len(entries)
                values += sum(len(v.split(',')) if v else 0 for _, v in entries)
        report = _load(one, 'world.json')
        assert (sections, lines, values) == (report['sections'], report['entry_lines'],
                                             report['values']), (sections, lines, values)

        listed = _check_mistakes(world, one)
        assert any(m['binary'] for m in listed), 'no mistake in a binary file'
        clean_world = make_world(rules_folder, 0.01, 7, clean, mistakes='none',
                                 mistake_rate=rate)
        clean = _Folder(clean)
        assert _load(clean, 'mistakes.json')['mistakes'] == []
        assert clean_world.counts['withheld_mistakes'] == len(listed)
        assert _differing_lines(one, clean) == {(m['file'], m['line']) for m in listed}

        assert len(world.slots) == len(REFERENCES), 'a row of REFERENCES fits no rule'
        defined, uses = _names_and_uses(world, clean)
        twice = [d for d in defined.items() if d[0] not in world.duplicates and
                 len([s for s, _, _ in d[1] if s not in LOCAL_KINDS]) > 1]
        assert not twice, 'defined more than once: %s' % twice[:3]
        for text, places in defined.items():
            groups = [(s, _group(p)) for s, p, _ in places if s in LOCAL_KINDS]
            assert len(groups) == len(set(groups)), 'twice in a group: %s' % text
        assert not _dangling(defined, uses), 'uses naming nothing: %s' % (
            sorted(_dangling(defined, uses))[:3])
        assert len(uses) == _load(clean, 'world.json')['name_uses']
        per_slot = {}
        for *_, slot, _ in uses:
            per_slot[(slot.section, slot.key, slot.first)] = per_slot.get(
                (slot.section, slot.key, slot.first), 0) + 1
        assert per_slot == {(r['section'], r['key'], r['position']): r['uses'] for r in
                            _load(clean, 'references.json')['references'] if r['uses']}

        # Made with the usual share of mistakes: the world without them does not depend
        # on how many there would be.
        make_world(rules_folder, 0.01, 7, renamed, mistakes='none', rename=5)
        renamed = _Folder(renamed)
        changes = _load(renamed, 'renamed.json')
        assert len(changes['renamed']) == 5
        assert _differing_lines(clean, renamed) == {(r['file'], r['line'])
                                                    for r in changes['renamed']}
        defined_now, uses_now = _names_and_uses(world, renamed)
        assert _dangling(defined_now, uses_now) == {
            (u['file'], u['line'], u['position']) for u in changes['dangling_uses']}
        assert len(changes['dangling_uses']) == sum(r['uses'] for r in changes['renamed'])

        assert double_value(1234.3) == (DOUBLE, '1234.25')
        print('self-test passed: %d files, %d binary, %d entry lines, %d mistakes (%s), '
              '%d names defined, %d uses, %d dangling after renaming 5' % (
                  report['files'], report['binary_files'], report['entry_lines'],
                  report['mistakes'], ', '.join('%d %s' % (n, k) for k, n in
                                                sorted(report['mistakes_by_kind'].items())),
                  len(defined), len(uses), len(changes['dangling_uses'])))
