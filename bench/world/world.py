"""A world being made: its random streams, its rules and the roles of their positions, the
sections drawn for a rule and the names they define or use."""

import random

from .common import STRING
from .files import Files
from .mistakes import MISTAKE_KINDS, MISTAKE_RATE, Mistakes, SECTION_MISTAKE_RATE
from .model import Name, Pool, Section, Slot, Use
from .shapes import (DATA_FILES, KINDS, MAX_SECTION_LINES, ML, NAMED_IN_CODE, RARE_IDENTITY,
                     REFERENCES, REFERENCE_IDS)
from .values import ValueMaker
from .writing import Writing


class World(Mistakes, Writing, Files):
    # Flag of an entry line: plain, naming a further file, or holding names (defined or used).
    PLAIN, REFERENCE, NAMES = 0, 1, 2
    DEFINES = 'defines'     # the role of a position that defines a name

    def __init__(self, rules, scale, seed, out, keep_canonical=False, mistakes='some',
                 rename=0, mistake_rate=MISTAKE_RATE):
        self.rules = {r.name.upper(): r for r in reversed(rules)}
        self.rule_list = rules
        self.scale = scale
        self.rng = random.Random(seed)
        self.values = ValueMaker(self.rng)
        # Mistakes, the names uses take and renames draw from streams of their own, so that
        # the rest of the world is the same with or without them.
        self.mistake_rng = random.Random('mistakes %d' % seed)
        self.mistake_values = ValueMaker(self.mistake_rng)
        self.reference_rng = random.Random('references %d' % seed)
        self.rename_rng = random.Random('renames %d' % seed)
        self.write_mistakes = mistakes == 'some'
        self.mistake_rate = mistake_rate
        # A few sections in a thousand at the usual rate; at most the line rate itself, so that
        # a world where every tenth line is wrong does not lose most of its sections.
        self.section_mistake_rate = min(SECTION_MISTAKE_RATE * mistake_rate / MISTAKE_RATE,
                                        mistake_rate)
        self.rename = rename
        self.out = out
        self.counts = dict(files=0, text_files=0, binary_files=0, bytes=0, sections=0,
                           entry_lines=0, values=0, mistakes=0, stored_sections=0,
                           stored_entries=0, stored_values=0, reference_lines=0,
                           max_section_lines=0, withheld_mistakes=0, defined_names=0,
                           name_uses=0)
        self.by_kind = dict.fromkeys(MISTAKE_KINDS, 0)
        self.mistakes = []       # those written, in the order written
        self.pending = []        # kinds of line mistake drawn, waiting for a line they fit
        self.data_entries = []   # (key, value) lines of [Data]
        self.other_ini = []      # values for _bc_OtherINI
        self.files = []          # (path, binary, text pieces or sections), written at the end
        self.canonical = {} if keep_canonical else None
        self.names = {}          # upper-case section name: [Name] in the order made
        self.taken = set()       # every defined name
        self.uses = []           # every Use in the order made
        self.renamed = []
        self.duplicates = []     # names defined twice on purpose
        self.scope = {}          # upper-case local kind: [Name] of the group being made
        self.scope_texts = {}    # likewise, the texts taken there
        self.local_text = None   # the text the next local name takes, when given
        self.identities = {}     # upper-case section name: sections made with two identities
        self.by_id = {}
        for rule in rules:
            for entry in rule.entries:
                if entry.db_id in REFERENCE_IDS:
                    self.by_id.setdefault(entry.db_id, rule)
        self.placed = {rule.name.upper() for rule in self.by_id.values()}
        for plans in KINDS.values():
            self.placed.update(plan[0].upper() for plan in plans)
        for _, _, _, plans in DATA_FILES:
            self.placed.update(plan[0].upper() for plan in plans)
        self.placed.update(NAMED_IN_CODE)
        self.slots = self.assign_roles()

    def assign_roles(self):
        """Gives each value position its role: defining a name (a String position called
        `nickname`), using one (a row of REFERENCES), or none. Returns the slots in use."""
        def entry_of(section, key):
            rule = self.rules.get(section.upper())
            for entry in rule.entries if rule else ():
                if entry.name.upper() == key.upper():
                    return rule, entry
            return rule, None

        uses = {}
        for section, key, position, targets in REFERENCES:
            rule, entry = entry_of(section, key)
            if entry is None:
                continue
            if position == '*':
                kind = entry.tail[0] if entry.tail else None
            else:
                kind = entry.fixed[position - 1][0] if position <= len(entry.fixed) else None
            if kind == STRING:
                uses[(entry, position)] = (rule, targets)
        defining = set()
        for rule in self.rule_list:
            for entry in rule.entries:
                fixed = [None] * len(entry.fixed)
                for i, (kind, hint) in enumerate(entry.fixed):
                    if kind == STRING and hint == 'nickname' and (entry, i + 1) not in uses:
                        fixed[i] = self.DEFINES
                        entry.defines = True
                        defining.add(rule.name.upper())
                if any(fixed):
                    entry.roles = (fixed, None)
        slots = []
        for (entry, position), (rule, targets) in uses.items():
            present = tuple(self.rules[t.upper()].name for t in targets
                            if t.upper() in defining)
            if not present:
                continue
            slot = Slot(rule.name, entry.name, position, present)
            slot.first = len(entry.fixed) + 1 if position == '*' else position
            slots.append(slot)
            fixed, tail = entry.roles or ([None] * len(entry.fixed), None)
            if position == '*':
                tail = slot
            else:
                fixed[position - 1] = slot
            entry.roles = (fixed, tail)
        return slots

    def n(self, count):
        """count at scale 1, in proportion to the scale, at least 1."""
        return max(1, round(count * self.scale))

    def draw(self, count):
        if isinstance(count, str):
            return self.n(int(count[2:]))
        if isinstance(count, tuple):
            return self.rng.randint(*count)
        return count

    def section(self, rule, ml=ML, refs=None):
        """One section of rule: mandatory keys always, other keys mostly, each multiline key
        on a drawn number of lines; refs {id: value} fills the keys that name files (others
        of that kind are left out: their files would not exist)."""
        rng, rnd = self.rng, self.rng.random
        chosen = []
        # A kind with two identity keys: each section carries one of them, the first rarely.
        identities = [e for e in rule.entries if e.defines and e.roles and
                      e.roles[0][:1] == [self.DEFINES]]
        skipped, kept = None, None
        if len(identities) >= 2:
            made = self.identities.get(rule.name.upper(), 0)
            self.identities[rule.name.upper()] = made + 1
            kept = identities[0] if made % RARE_IDENTITY == 0 else identities[1]
            skipped = {e for e in identities if e is not kept}
        for entry in rule.entries:
            if skipped and entry in skipped:
                continue
            if entry.db_id in REFERENCE_IDS:
                if refs and entry.db_id in refs:
                    chosen.append((entry, 1, True))
                continue
            if not entry.usable:
                continue
            if entry.multiline:
                if entry.mandatory or rnd() < 0.9:
                    chosen.append((entry, rng.randint(*ml), False))
            elif entry.mandatory or entry is kept or rnd() < 0.8:
                chosen.append((entry, 1, False))
        total = sum(n for _, n, _ in chosen)
        if total > MAX_SECTION_LINES:
            shrink = MAX_SECTION_LINES / total
            chosen = [(e, max(1, int(n * shrink)) if e.multiline else n, r)
                      for e, n, r in chosen]
        entries, of_line = [], []
        for entry, lines, is_ref in chosen:
            fixed, tail = self.values.makers(entry)
            for _ in range(lines):
                values = [make() for make in fixed]
                if is_ref:
                    values[:1] = [(STRING, refs[entry.db_id])]
                    entries.append((entry.name, values, self.REFERENCE, None))
                    of_line.append(entry)
                    continue
                if tail is not None:
                    values += [tail() for _ in range(rng.randint(1 if not fixed else 0, 4))]
                flag = self.PLAIN
                if entry.roles is not None:
                    self.give_names(rule, entry, values)
                    flag = self.NAMES
                entries.append((entry.name, values, flag, None))
                of_line.append(entry)
        made = Section(rule.name, entries)
        self.draw_mistakes(rule, made, of_line)
        return made

    def give_names(self, rule, entry, values):
        """Puts defined names and uses of names into the positions whose role it is. A
        defined name is the value made for its position, made unique; the value made for a
        use only keeps the draws of the world's stream as they were."""
        fixed, tail = entry.roles
        at = [(i, role) for i, role in enumerate(fixed) if role is not None]
        if tail is not None:
            at += [(i, tail) for i in range(len(fixed), len(values))]
        kind = rule.name.upper()
        for i, role in at:
            made = values[i][1]
            if role is self.DEFINES:
                local = self.scope.get(kind)
                taken = self.taken if local is None else self.scope_texts[kind]
                if local is not None and self.local_text is not None:
                    made, self.local_text = self.local_text, None
                text, more = made, 1
                while text in taken:
                    more += 1
                    text = '%s_%d' % (made, more)
                taken.add(text)
                name = Name(text)
                self.names.setdefault(kind, []).append(name)
                if local is not None:
                    local.append(name)
                values[i] = (STRING, name)
            else:
                pool = None
                if len(role.targets) == 1 and role.targets[0].upper() in self.scope:
                    pool = self.scope[role.targets[0].upper()]
                use = Use(role, pool=pool)
                self.uses.append(use)
                values[i] = (STRING, use)

    def bind(self, sections, section, key, name):
        """Makes the first value of every `key` line of the `section` sections name `name`
        (a base file's own base)."""
        for made in sections:
            if made is None or made.name.upper() != section.upper() or name is None:
                continue
            for line_key, values, _, _ in made.entries:
                if line_key.upper() == key.upper() and values[0][1].__class__ is Use:
                    values[0][1].name = name

    @staticmethod
    def defined_in(made):
        """The first name section `made` defines, or None."""
        for _, values, _, _ in made.entries if made is not None else ():
            for _, text in values:
                if text.__class__ is Name:
                    return text
        return None

    def sections_of(self, plans):
        out = []
        for plan in plans:
            rule = self.rules.get(plan[0].upper())
            if rule is None:
                continue
            ml = plan[2] if len(plan) > 2 else ML
            for _ in range(self.draw(plan[1])):
                out.append(self.section(rule, ml))
        return out

    def ref_section(self, ref_id, target, ml=ML):
        """A section of the rule holding ref_id, naming target (a path under DATA, or a
        pool to pick one from); None when the rule set has no such rule, and then nothing
        is picked."""
        rule = self.by_id.get(ref_id)
        if rule is None:
            return None
        path = target.pick() if isinstance(target, Pool) else target
        return self.section(rule, ml, {ref_id: self.name_of(path, 'UNIVERSE' if ref_id == 74
                                                            else 'DATA')})
