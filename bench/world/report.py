"""make_world: builds a world and writes world.json, mistakes.json, references.json and
renamed.json beside it."""

import json
import os

from .mistakes import MISTAKE_RATE
from .rules import read_rules
from .shapes import LOCAL_KINDS
from .world import World


def _write_json(out, name, content):
    with open(os.path.join(out, name), 'w') as f:
        json.dump(content, f, indent=1, sort_keys=True)
        f.write('\n')


def make_world(rules_folder, scale, seed, out, keep_canonical=False, mistakes='some',
               rename=0, mistake_rate=MISTAKE_RATE):
    """Writes the world and world.json, mistakes.json, references.json (and renamed.json
    when asked to rename). Returns the World."""
    os.makedirs(out, exist_ok=True)
    world = World(read_rules(rules_folder), scale, seed, out, keep_canonical, mistakes,
                  rename, mistake_rate)
    world.build()
    report = dict(scale=scale, seed=seed, mistakes_written=mistakes, rule_files=sorted(
        f for f in os.listdir(rules_folder) if f.endswith('.rules')), **world.counts)
    listed = sorted((m.record() for m in world.mistakes),
                    key=lambda m: (m['file'], m['line']))
    report['mistakes_by_kind'] = dict(world.by_kind)
    report['expected_warnings'] = sum(1 for m in listed if m['warning'] is not None)
    report['fixed_path_files'] = len(world.other_ini)
    report['renamed_names'] = len(world.renamed)
    report['duplicate_names'] = sorted(world.duplicates)
    _write_json(out, 'world.json', report)
    _write_json(out, 'mistakes.json', dict(
        about='Every mistake written. line: the physical line of the file (of its text form '
              'when binary); warning_line: the line a warning about it shows; warning: the '
              'number the rules the world was made with give, null for none.',
        by_kind=report['mistakes_by_kind'], mistakes=listed))

    def place(section, key, position):
        return dict(section=section, key=key, position=position)
    defining = []
    for rule in world.rule_list:
        for entry in rule.entries:
            for i, role in enumerate(entry.roles[0] if entry.roles else ()):
                if role is World.DEFINES:
                    defining.append(place(rule.name, entry.name, i + 1))
    defined_at = {}
    for d in defining:
        defined_at.setdefault(d['section'].upper(), []).append(d)
    _write_json(out, 'references.json', dict(
        about='Which names a value uses. position: 1 for the first value of the line; with '
              'tail true, that position and every later one. A use names a name that one of '
              'defined_by defines; every defining position holds a name unique in the world, but '
              'for the duplicates listed and for local kinds, whose names are unique in '
              'their group of files and used there alone (local: true).',
        references=[dict(place(s.section, s.key, s.first), tail=s.position == '*',
                         defined_by=[d for t in s.targets for d in defined_at[t.upper()]],
                         uses=s.uses, local=all(t.upper() in LOCAL_KINDS for t in s.targets))
                    for s in world.slots],
        defining=defining, duplicates=sorted(world.duplicates)))
    if rename:
        _write_json(out, 'renamed.json', _renamed_report(world))
    return world


def _renamed_report(world):
    renamed, dangling = [], []
    for name, uses in world.renamed:
        path, binary, line, warning_line, section, key = name.site
        position = name.position
        renamed.append(dict(old=name.text, new=name.written, file=path, binary=binary,
                            line=line, warning_line=warning_line, section=section, key=key,
                            position=position, uses=len(uses)))
        for use in uses:
            path, binary, line, warning_line, section, key = use.site
            position = use.position
            dangling.append(dict(name=name.text, file=path, binary=binary, line=line,
                                 warning_line=warning_line, section=section, key=key,
                                 position=position, stored=use.stored))
    dangling.sort(key=lambda u: (u['file'], u['line'], u['position']))
    return dict(about='Names written under a new name at their defining place after the '
                      'world was made, and every use of them, now naming nothing. stored: '
                      'TARN stores the line the use is on.',
                renamed=renamed, dangling_uses=dangling)
