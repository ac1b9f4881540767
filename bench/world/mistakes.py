"""The mistakes the world carries, one warning each: which kinds, at which rate, and how a line or
a section is made wrong."""

from .common import DOUBLE, LONG, STRING
from .model import Use


MISTAKE_RATE = 0.00085        # of the entry lines that may carry one
SECTION_MISTAKE_RATE = 0.008  # of the sections that may be unknown
MISTAKE_WORDS = ['none', 'yes', 'high', 'auto', 'default', 'tbd']

# The kinds of mistake on an entry line, with the warning the shipped rules give: an unknown
# key (10302), a word for a number or Boolean (10101), one value more than the rule takes
# (10205), a single-line key on a second line (10209), an integer beyond 32 bits for a Long
# (10104), and a decimal for a Long, which the Long conversion rounds without a word (none).
# A section whose name no rule has is the one kind of a whole section (10305).
LINE_MISTAKES = {'unknown_key': 10302, 'wrong_type': 10101, 'too_many_values': 10205,
                 'second_line': 10209, 'overflow': 10104, 'decimal': None}
SECTION_MISTAKES = {'unknown_section': 10305}
MISTAKE_KINDS = list(LINE_MISTAKES) + list(SECTION_MISTAKES)


class Mistake:
    """A mistake and where it was written. key and values are the line as written with it
    (for a section: its first line); section is the section name as written."""
    __slots__ = ('kind', 'section', 'key', 'values', 'stored', 'file', 'binary', 'line',
                 'warning_line')

    def __init__(self, kind, section, key, values):
        self.kind, self.section, self.key, self.values = kind, section, key, values
        self.stored = kind == 'decimal'     # TARN stores the line all the same
        self.file = None

    def place(self, path, binary, line, warning_line):
        self.file, self.binary, self.line, self.warning_line = path, binary, line, warning_line

    def record(self):
        """What mistakes.json says of it, once every name is known."""
        text = ', '.join(t if t.__class__ is str else t.render() for _, t in self.values)
        warning = SECTION_MISTAKES.get(self.kind, LINE_MISTAKES.get(self.kind))
        return dict(kind=self.kind, file=self.file, binary=self.binary, line=self.line,
                    warning_line=self.warning_line, section=self.section, key=self.key,
                    value=text, warning=warning)


class Mistakes:
    """Drawing and making the mistakes of a section and its lines; part of World."""

    def draw_mistakes(self, rule, made, of_line):
        """Draws, from the mistakes' own stream, whether the section or some of its lines
        carry a mistake. Kinds of line mistake are drawn first and wait for a line they fit,
        so that each kind is about as frequent. Lines that define a name or name a file are
        left alone, and so are sections holding such lines."""
        rnd = self.mistake_rng.random
        entries = made.entries
        open_lines = [e.defines is False and f != self.REFERENCE
                      for e, (_, _, f, _) in zip(of_line, entries)]
        if entries and all(open_lines) and rnd() < self.section_mistake_rate:
            name = self.misspelt(made.name)
            key, values, _, _ = entries[0]
            made.mistake = Mistake('unknown_section', name, key, values)
            return
        for i, line in enumerate(entries):
            if not open_lines[i]:
                continue
            if rnd() < self.mistake_rate:
                self.pending.append(self.mistake_rng.choice(list(LINE_MISTAKES)))
            for k, kind in enumerate(self.pending):
                mistake = self.line_mistake(kind, rule, entries, of_line, open_lines, i)
                if mistake is not None:
                    del self.pending[k]
                    entries[i] = line[:3] + (mistake,)
                    break

    def line_mistake(self, kind, rule, entries, of_line, open_lines, i):
        """Line i made wrong in the way of kind, or None when the line does not allow it."""
        rng = self.mistake_rng
        key, values, _, _ = entries[i]
        entry = of_line[i]
        if kind == 'unknown_key':
            for name in (key + '_old', 'old_' + key, key + 's', 'kv_unknown'):
                if name.upper() not in rule.keys:
                    return Mistake(kind, rule.name, name, values)
            return Mistake(kind, rule.name, 'kv_unknown_key_%d' % rng.randint(0, 99), values)
        if kind == 'wrong_type':
            typed = [j for j, (t, _) in enumerate(entry.fixed) if t != STRING]
            if not typed:
                return None
            changed = list(values)
            changed[rng.choice(typed)] = (STRING, rng.choice(MISTAKE_WORDS))
            return Mistake(kind, rule.name, key, changed)
        if kind == 'too_many_values':
            if entry.tail is not None or not entry.fixed:
                return None
            extra = self.mistake_values.maker(*entry.fixed[-1])()
            return Mistake(kind, rule.name, key, values + [extra])
        if kind == 'second_line':
            # The line before, of a single-line key and read without fault, written again in
            # place of this one.
            if i == 0 or not open_lines[i - 1] or entries[i - 1][3] is not None:
                return None
            before = of_line[i - 1]
            if before.multiline:
                return None
            copied = [(t, v if v.__class__ is str else self.copy_use(v))
                      for t, v in entries[i - 1][1]]
            return Mistake(kind, rule.name, entries[i - 1][0], copied)
        longs = [j for j, (t, _) in enumerate(entry.fixed) if t == LONG]
        if not longs:
            return None
        j = rng.choice(longs)
        changed = list(values)
        if kind == 'overflow':
            beyond = rng.randint(2 ** 31, 10 ** 10)
            changed[j] = (STRING, str(-beyond - 1 if rng.random() < 0.3 else beyond))
        else:
            # A half beside a Long's whole number, which stays below a million: a 32-bit float
            # holds it exactly and its shortest text, the one the reader shows, is the fixed
            # form Python's repr writes.
            whole = int(values[j][1])
            decimal = whole + (0.5 if whole >= 0 else -0.5)
            changed[j] = (DOUBLE, repr(decimal))
        return Mistake(kind, rule.name, key, changed)

    def copy_use(self, use):
        copy = Use(use.slot, use)
        self.uses.append(copy)
        return copy

    def misspelt(self, name):
        """name with a letter dropped, doubled or two swapped, the way one mistypes it; not
        the name of any section rule."""
        rng = self.mistake_rng
        for _ in range(20):
            at = rng.randrange(len(name))
            way = rng.randrange(3)
            if way == 0 and len(name) > 2:
                text = name[:at] + name[at + 1:]
            elif way == 1 and at + 1 < len(name) and name[at] != name[at + 1]:
                text = name[:at] + name[at + 1] + name[at] + name[at + 2:]
            else:
                text = name[:at + 1] + name[at:]
            if text.upper() not in self.rules:
                return text
        return name + '_Old'
